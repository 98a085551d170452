// Test archive server: stands in for the archive's image service and web site in tests,
// benchmarks and the demo.
#include <httplib.h>

#include <cstdio>
#include <iostream>
#include <memory>

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
