#include "app/connection_monitor.h"

#include <algorithm>

namespace korvalis {

void monitorLoop(int periodMs, const std::atomic<bool>& running, const ReachabilityCheck& check,
                 const MonitorIconSink& showIcon) {
  const auto slice = std::chrono::milliseconds(std::max(1, periodMs / 5));
  int last = -1;
  showIcon(MonitorIcon::NoConnection);
  while (running.load()) {
    const int answer = check() ? 1 : 0;
    if (answer != last) {
      showIcon(answer == 1 ? MonitorIcon::Connection : MonitorIcon::NoConnection);
      last = answer;
    }
    for (int i = 0; i < 5; ++i) {
      std::this_thread::sleep_for(slice);
      if (i < 4 && !running.load()) {
        return;
      }
    }
  }
}

namespace {
constexpr unsigned kIconBits = 2;
constexpr std::uintptr_t kIconMask = (1U << kIconBits) - 1;
}  // namespace

std::uintptr_t packMonitorIcon(std::uint32_t run, MonitorIcon icon) {
  return (static_cast<std::uintptr_t>(run) << kIconBits) | static_cast<std::uintptr_t>(icon);
}

std::uint32_t monitorRunOf(std::uintptr_t data) {
  return static_cast<std::uint32_t>(data >> kIconBits);
}

MonitorIcon monitorIconOf(std::uintptr_t data) {
  return static_cast<MonitorIcon>(data & kIconMask);
}

ConnectionMonitor::ConnectionMonitor(ReachabilityCheck check, MonitorIconSink showIcon)
    : ConnectionMonitor(std::move(check), [sink = std::move(showIcon)](
                                              std::uint32_t, MonitorIcon icon) { sink(icon); }) {}

ConnectionMonitor::ConnectionMonitor(ReachabilityCheck check, MonitorRunIconSink showIcon)
    : shared_(std::make_shared<const Shared>(Shared{std::move(check), std::move(showIcon)})) {}

ConnectionMonitor::~ConnectionMonitor() {
  if (!stopAndWait(kMonitorWaitLimit)) {
    for (Worker& worker : workers_) {
      if (worker.thread.joinable()) {
        worker.thread.detach();
      }
    }
  }
}

void ConnectionMonitor::start(int periodMs) {
  joinFinished();
  stop();
  auto run = std::make_shared<Run>();
  const std::uint32_t number = ++runCount_;
  std::jthread thread([run, shared = shared_, periodMs, number] {
    monitorLoop(periodMs, run->running, shared->check,
                [&shared, number](MonitorIcon icon) { shared->showIcon(number, icon); });
    run->finished.store(true);
  });
  workers_.push_back({std::move(run), std::move(thread)});
}

void ConnectionMonitor::stop() {
  for (Worker& worker : workers_) {
    worker.run->running.store(false);
  }
}

bool ConnectionMonitor::isRunning() const {
  return !workers_.empty() && workers_.back().run->running.load();
}

bool ConnectionMonitor::acceptsIcon(std::uint32_t run) const {
  return run == runCount_ && isRunning();
}

bool ConnectionMonitor::threadAlive() const {
  return std::any_of(workers_.begin(), workers_.end(),
                     [](const Worker& worker) { return !worker.run->finished.load(); });
}

std::size_t ConnectionMonitor::liveThreads() const {
  return static_cast<std::size_t>(
      std::count_if(workers_.begin(), workers_.end(),
                    [](const Worker& worker) { return !worker.run->finished.load(); }));
}

bool ConnectionMonitor::stopAndWait(std::chrono::milliseconds limit) {
  stop();
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (threadAlive() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  joinFinished();
  return workers_.empty();
}

void ConnectionMonitor::joinFinished() {
  for (Worker& worker : workers_) {
    if (worker.run->finished.load() && worker.thread.joinable()) {
      worker.thread.join();  // the body has returned; this does not block
    }
  }
  std::erase_if(workers_, [](const Worker& worker) { return !worker.thread.joinable(); });
}

}  // namespace korvalis
