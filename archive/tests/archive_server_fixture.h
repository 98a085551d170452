#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/event_target.h"

namespace korvalis::testing {

/// A started test archive server over HTTPS with a certificate made for this test run.
class ArchiveServer {
 public:
  /// Starts the server with the sample catalogue and `extraArgs`; fails the test when it
  /// does not come up.
  explicit ArchiveServer(const std::vector<std::string>& extraArgs = {});
  ~ArchiveServer();
  ArchiveServer(const ArchiveServer&) = delete;
  ArchiveServer& operator=(const ArchiveServer&) = delete;

  int port() const { return port_; }
  /// "https://localhost:PORT"
  std::string baseUrl() const;
  /// baseUrl() + "/das/v2/"
  std::string servicePrefix() const { return baseUrl() + "/das/v2/"; }
  /// The request log lines so far.
  std::vector<std::string> requestLog() const;
  /// The CA certificate that signs the server's certificate.
  static std::string caFile();
  /// The server program.
  static std::string program();

 private:
  void start(const std::vector<std::string>& extraArgs);

  int pid_ = -1;
  int port_ = 0;
  std::string logFile_;
};

/// An EventTarget that records the events posted to it, from any thread.
class RecordingTarget : public EventTarget {
 public:
  struct Event {
    int code;
    std::uintptr_t data;
  };
  void postEvent(int code, std::uintptr_t data) override;
  /// Waits up to `limit` for the next event with `code` and removes it.
  std::optional<Event> waitFor(int code, std::chrono::milliseconds limit);
  /// Waits up to `limit` for the next event of any code and removes it.
  std::optional<Event> next(std::chrono::milliseconds limit);
  /// Every event with `code` received so far (not removed).
  std::vector<std::uintptr_t> values(int code) const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Event> events_;
};

/// A local TCP port with nothing listening on it.
int closedPort();

}  // namespace korvalis::testing
