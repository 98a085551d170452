#include <gtest/gtest.h>
#include <algorithm>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <vector>

#include "app/connection_monitor.h"
#include "app/site_reachability.h"

namespace korvalis {
namespace {

using namespace std::chrono_literals;

/// Records the icons from the monitor thread.
class IconLog {
 public:
  void add(MonitorIcon icon) {
    const std::lock_guard lock(mutex_);
    icons_.push_back(icon);
  }
  std::vector<MonitorIcon> icons() const {
    const std::lock_guard lock(mutex_);
    return icons_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<MonitorIcon> icons_;
};

/// Polls `done` until it holds or `limit` passes (the monitor has no event to wait on); the
/// bound is generous for a loaded machine under a sanitizer.
template <typename Done>
bool eventually(Done done, std::chrono::milliseconds limit = 30s) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

TEST(MonitorLoop, FirstCheckAlwaysSetsAnIconAndChangesOnlyOnChange) {
  // Answers: unreachable, unreachable, reachable, reachable, unreachable, then stop.
  const std::vector<bool> answers{false, false, true, true, false};
  std::atomic<bool> running{true};
  std::size_t asked = 0;
  IconLog log;
  monitorLoop(
      5, running,
      [&] {
        const bool answer = answers[asked++];
        if (asked == answers.size()) {
          running = false;
        }
        return answer;
      },
      [&](MonitorIcon icon) { log.add(icon); });
  EXPECT_EQ(asked, answers.size());
  EXPECT_EQ(log.icons(),
            (std::vector<MonitorIcon>{MonitorIcon::NoConnection, MonitorIcon::NoConnection,
                                      MonitorIcon::Connection, MonitorIcon::NoConnection}));
}

TEST(ConnectionMonitor, StartAndStopWithinASecondEndsTheThread) {
  std::atomic<int> checks{0};
  IconLog log;
  ConnectionMonitor monitor([&] { return ++checks, true; },
                            [&](MonitorIcon icon) { log.add(icon); });
  EXPECT_FALSE(monitor.isRunning());
  monitor.start(5000);
  EXPECT_TRUE(monitor.isRunning());
  ASSERT_TRUE(eventually([&] { return log.icons().size() >= 2; }));
  monitor.stop();
  EXPECT_FALSE(monitor.isRunning());
  // The loop looks at its flag once a second (period / 5).
  EXPECT_TRUE(monitor.stopAndWait(2500ms));
  EXPECT_FALSE(monitor.threadAlive());
  EXPECT_EQ(checks.load(), 1);
  EXPECT_EQ(log.icons(),
            (std::vector<MonitorIcon>{MonitorIcon::NoConnection, MonitorIcon::Connection}));
}

// Each start is a run of its own: its icons carry its number, and only the current run's,
// while it runs, may still be shown.
TEST(ConnectionMonitor, IconsCarryTheirRunAndOnlyTheRunningOneCounts) {
  std::mutex mutex;
  std::vector<std::pair<std::uint32_t, MonitorIcon>> icons;
  ConnectionMonitor monitor([] { return true; },
                            [&](std::uint32_t run, MonitorIcon icon) {
                              const std::lock_guard lock(mutex);
                              icons.emplace_back(run, icon);
                            });
  EXPECT_EQ(monitor.currentRun(), 0U);
  monitor.start(50);
  EXPECT_EQ(monitor.currentRun(), 1U);
  EXPECT_TRUE(monitor.acceptsIcon(1));
  monitor.stop();
  EXPECT_FALSE(monitor.acceptsIcon(1));  // switched off: the button keeps its icon
  monitor.start(50);
  EXPECT_FALSE(monitor.acceptsIcon(1));
  EXPECT_TRUE(monitor.acceptsIcon(2));
  ASSERT_TRUE(monitor.stopAndWait(std::chrono::seconds(2)));
  const std::lock_guard lock(mutex);
  ASSERT_FALSE(icons.empty());
  // Each run starts with the no-connection icon, tagged with its own number; the two threads
  // may post in either order.
  EXPECT_NE(std::find(icons.begin(), icons.end(), std::make_pair(1U, MonitorIcon::NoConnection)),
            icons.end());
  EXPECT_NE(std::find(icons.begin(), icons.end(), std::make_pair(2U, MonitorIcon::NoConnection)),
            icons.end());

  for (const auto& [run, icon] :
       {std::pair{1U, MonitorIcon::Idle}, std::pair{7U, MonitorIcon::Connection},
        std::pair{0xFFFFFFFFU, MonitorIcon::NoConnection}}) {
    const std::uintptr_t data = packMonitorIcon(run, icon);
    EXPECT_EQ(monitorRunOf(data), run);
    EXPECT_EQ(monitorIconOf(data), icon);
  }
}

TEST(ConnectionMonitor, QuickStopAndStartLeavesOneThread) {
  std::atomic<int> checks{0};
  ConnectionMonitor monitor([&] { return ++checks, false; }, [](MonitorIcon) {});
  monitor.start(500);
  monitor.stop();
  monitor.start(500);  // before the first thread looked at its flag again
  EXPECT_TRUE(monitor.isRunning());
  EXPECT_TRUE(eventually([&] { return monitor.liveThreads() == 1; }));
  EXPECT_TRUE(monitor.isRunning());
  EXPECT_TRUE(monitor.stopAndWait(2s));
  EXPECT_EQ(monitor.liveThreads(), 0U);
}

TEST(ConnectionMonitor, DestroyingARunningMonitorWaitsForItsThread) {
  auto alive = std::make_shared<std::atomic<bool>>(false);
  {
    ConnectionMonitor monitor(
        [alive] {
          alive->store(true);
          return true;
        },
        [](MonitorIcon) {});
    monitor.start(200);
    ASSERT_TRUE(eventually([&] { return alive->load(); }));
  }
  // The destructor returned: the thread ended and dropped its copy of the check.
  EXPECT_EQ(alive.use_count(), 1);
}

/// A listening TCP socket on the loopback address, on a port the system picks.
class LocalListener {
 public:
  LocalListener() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(fd_, 8);
    socklen_t length = sizeof address;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~LocalListener() { close(); }
  void close() {
    if (fd_ >= 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  int port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

TEST(SiteReachability, ListeningPortIsReachableClosedPortIsNot) {
  const CurlGlobal curl;
  LocalListener listener;
  ASSERT_GT(listener.port(), 0);
  const std::string url = "http://127.0.0.1:" + std::to_string(listener.port()) + "/";
  EXPECT_TRUE(checkSiteReachable(curl, url, "", 2000));

  // HTTPS needs the verified handshake too: a listener that never answers it is not a site.
  const std::string secure = "https://127.0.0.1:" + std::to_string(listener.port()) + "/";
  EXPECT_FALSE(checkSiteReachable(curl, secure, "", 300));

  listener.close();
  EXPECT_FALSE(checkSiteReachable(curl, url, "", 2000));
  EXPECT_FALSE(checkSiteReachable(curl, "", "", 2000));
}

TEST(SiteReachability, MonitorReportsTheListenerAndTheClosedPort) {
  const CurlGlobal curl;
  LocalListener listener;
  const std::string url = "http://127.0.0.1:" + std::to_string(listener.port()) + "/";
  IconLog log;
  ConnectionMonitor monitor([&] { return checkSiteReachable(curl, url, "", 1000); },
                            [&](MonitorIcon icon) { log.add(icon); });
  monitor.start(50);
  ASSERT_TRUE(eventually([&] { return log.icons().size() >= 2; }));
  EXPECT_EQ(log.icons()[1], MonitorIcon::Connection);
  listener.close();
  ASSERT_TRUE(eventually([&] { return log.icons().size() >= 3; }));
  EXPECT_EQ(log.icons()[2], MonitorIcon::NoConnection);
  EXPECT_TRUE(monitor.stopAndWait(2s));
}

}  // namespace
}  // namespace korvalis
