#include "archive/tests/archive_server_fixture.h"

#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/testing/temp_folder.h"

extern char** environ;

// For the thread-sanitizer build of the tests that talk to the server over TLS. OpenSSL is not
// built with the sanitizer: the reference counts of the TLS sessions the engine's workers share
// are atomics the sanitizer does not see, so a session freed by one worker after another used
// it reads as a race inside libcrypto. Calls from libcrypto into the sanitizer are not checked.
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libcrypto.so\n";
}

namespace korvalis::testing {

namespace {
/// The process's folder for the certificate, its key and the request logs; removed when the
/// process ends (every server has been stopped by then).
std::filesystem::path workDir() {
  static const TempFolder folder("krv-archive");
  return folder.path();
}

/// Makes a self-signed certificate for localhost once per test process (an elliptic-curve key:
/// quick to make, so a test process spends no noticeable time on it).
std::filesystem::path certificate() {
  static const std::filesystem::path cert = [] {
    const auto dir = workDir();
    const std::string command =
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 "
        "-subj /CN=localhost "
        "-addext subjectAltName=DNS:localhost,IP:127.0.0.1 -keyout '" +
        (dir / "key.pem").string() + "' -out '" + (dir / "cert.pem").string() + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << "openssl could not make the certificate";
    return dir / "cert.pem";
  }();
  return cert;
}

}  // namespace

std::string ArchiveServer::program() {
  return KORVALIS_ARCHIVE_SERVER_PATH;
}

std::string ArchiveServer::caFile() {
  return certificate().string();
}

ArchiveServer::ArchiveServer(const std::vector<std::string>& extraArgs) {
  start(extraArgs);
}

void ArchiveServer::start(const std::vector<std::string>& extraArgs) {
  static int serial = 0;
  const auto cert = certificate();
  logFile_ = (workDir() / ("requests-" + std::to_string(++serial) + ".log")).string();
  std::vector<std::string> args = {program(),
                                   "--cert",
                                   cert.string(),
                                   "--key",
                                   (cert.parent_path() / "key.pem").string(),
                                   "--catalogue",
                                   KORVALIS_TEST_SOURCE_DIR "/data/Beispiel.catalogue.tsv",
                                   "--log",
                                   logFile_,
                                   "--exit-with-parent",
                                   std::to_string(getpid())};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  std::vector<char*> argv;
  for (auto& arg : args) {
    argv.push_back(arg.data());
  }
  argv.push_back(nullptr);

  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  ASSERT_EQ(spawned, 0) << "cannot start " << argv[0];

  FILE* out = fdopen(pipeEnds[0], "r");
  char line[128] = {};
  const bool ready =
      std::fgets(line, sizeof line, out) != nullptr && std::sscanf(line, "ready %d", &port_) == 1;
  std::fclose(out);
  ASSERT_TRUE(ready) << "the archive server did not report ready";
}

ArchiveServer::~ArchiveServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

std::string ArchiveServer::baseUrl() const {
  return "https://localhost:" + std::to_string(port_);
}

std::vector<std::string> ArchiveServer::requestLog() const {
  std::vector<std::string> lines;
  std::ifstream in(logFile_);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

void RecordingTarget::postEvent(int code, std::uintptr_t data) {
  {
    const std::lock_guard lock(mutex_);
    events_.push_back(Event{code, data});
  }
  changed_.notify_all();
}

std::optional<RecordingTarget::Event> RecordingTarget::waitFor(int code,
                                                               std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  std::optional<Event> found;
  changed_.wait_for(lock, limit, [&] {
    for (auto it = events_.begin(); it != events_.end(); ++it) {
      if (it->code == code) {
        found = *it;
        events_.erase(it);
        return true;
      }
    }
    return false;
  });
  return found;
}

std::optional<RecordingTarget::Event> RecordingTarget::next(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  if (!changed_.wait_for(lock, limit, [this] { return !events_.empty(); })) {
    return std::nullopt;
  }
  const Event first = events_.front();
  events_.pop_front();
  return first;
}

std::vector<std::uintptr_t> RecordingTarget::values(int code) const {
  const std::lock_guard lock(mutex_);
  std::vector<std::uintptr_t> result;
  for (const Event& event : events_) {
    if (event.code == code) {
      result.push_back(event.data);
    }
  }
  return result;
}

int closedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

}  // namespace korvalis::testing
