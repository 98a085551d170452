// Test archive server: stands in for the archive's image service and web site in tests,
// benchmarks and the demo.
#include <httplib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <thread>

#include "tools/archive_server/archive_routes.h"

int main(int argc, char** argv) {
  using namespace archive_server;
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::cout << usageText();
    return 0;
  }
  std::string error;
  auto config = parseCommandLine(args, error);
  if (!config) {
    std::cerr << error << '\n' << usageText();
    return 2;
  }
  if (config->parentPid != 0) {
    // A test that dies (a sanitizer abort, a crash) cannot stop its server; the server then
    // leaves by itself instead of holding the test runner's output pipe until its time-out.
    std::thread([parent = static_cast<pid_t>(config->parentPid)] {
      while (::getppid() == parent) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
      }
      std::_Exit(0);
    }).detach();
  }
  std::optional<Catalogue> catalogue;
  if (config->catalogueFile.empty()) {
    catalogue = Catalogue::generate(config->seed, config->films);
  } else {
    catalogue = Catalogue::load(config->catalogueFile, error);
    if (!catalogue) {
      std::cerr << error << '\n';
      return 1;
    }
  }
  std::unique_ptr<httplib::Server> server;
  if (config->certFile.empty()) {
    server = std::make_unique<httplib::Server>();
  } else {
    server =
        std::make_unique<httplib::SSLServer>(config->certFile.c_str(), config->keyFile.c_str());
  }
  if (!server->is_valid()) {
    std::cerr << "cannot set up the server (certificate or key unreadable?)\n";
    return 1;
  }
  ArchiveRoutes routes(*config, std::move(*catalogue));
  routes.install(*server);
  const int port = config->port == 0
                       ? server->bind_to_any_port(config->host)
                       : (server->bind_to_port(config->host, config->port) ? config->port : -1);
  if (port <= 0) {
    std::cerr << "cannot listen on " << config->host << ":" << config->port << '\n';
    return 1;
  }
  std::cout << "ready " << port << std::endl;
  return server->listen_after_bind() ? 0 : 1;
}
