#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace korvalis {

/// The picture the connection-monitor button shows.
enum class MonitorIcon { Idle = 0, NoConnection = 1, Connection = 2 };

/// The reachability check (true: the site answered a connection attempt). Runs on the
/// monitor thread.
using ReachabilityCheck = std::function<bool()>;
/// Receives the icon to show. Runs on the monitor thread: the UI posts it to its window.
using MonitorIconSink = std::function<void(MonitorIcon)>;
/// As MonitorIconSink, with the number of the run (start()) that shows the icon.
using MonitorRunIconSink = std::function<void(std::uint32_t run, MonitorIcon)>;

/// How long the user-interface thread waits for the monitor threads when the program ends.
/// A reachability check must give up well within it: the loop looks at its flag only after
/// the check and one slice of its period.
inline constexpr std::chrono::milliseconds kMonitorWaitLimit{5000};

/// An icon and the run that showed it, packed into one posted event's data value.
std::uintptr_t packMonitorIcon(std::uint32_t run, MonitorIcon icon);
std::uint32_t monitorRunOf(std::uintptr_t data);
MonitorIcon monitorIconOf(std::uintptr_t data);

/// The body of a monitor thread: shows the no-connection icon, then while `running` is set
/// checks the site, shows the connection or no-connection icon whenever the answer differs
/// from the last one, and sleeps periodMs / 5 five times, leaving after any of the first four
/// sleeps once `running` is cleared. The button keeps the last icon.
void monitorLoop(int periodMs, const std::atomic<bool>& running, const ReachabilityCheck& check,
                 const MonitorIconSink& showIcon);

/// The connection monitor: start() runs monitorLoop on a thread of its own, stop() clears its
/// flag. Each start gets a flag of its own, so a quick stop and start never leaves an old
/// thread running beside the new one; threads that have not yet noticed their stop are kept
/// and waited for. Owned and called by the user-interface thread.
class ConnectionMonitor {
 public:
  ConnectionMonitor(ReachabilityCheck check, MonitorIconSink showIcon);
  /// The icons come with the number of the run that showed them (see acceptsIcon()).
  ConnectionMonitor(ReachabilityCheck check, MonitorRunIconSink showIcon);
  /// Stops every thread and waits for them, bounded by 5 seconds; a thread still busy in its
  /// check after that is left to end on its own (it holds only what it shares with nobody
  /// else, and its icon goes to a sink that drops icons for a window that is gone).
  ~ConnectionMonitor();
  ConnectionMonitor(const ConnectionMonitor&) = delete;
  ConnectionMonitor& operator=(const ConnectionMonitor&) = delete;

  /// Sets the running flag and starts monitorLoop(periodMs) on a new thread.
  void start(int periodMs = 5000);
  /// Clears the running flag of the current thread; returns at once.
  void stop();
  /// Whether the monitor is switched on (monitorRunning).
  bool isRunning() const;
  /// The number of the latest run (1 for the first start(), 0 before it).
  std::uint32_t currentRun() const { return runCount_; }
  /// Whether an icon of run `run` may still be shown: only the current run's, while it runs.
  /// A late icon of a stopped run arrives after the button was switched off or a new run began.
  bool acceptsIcon(std::uint32_t run) const;
  /// Whether any monitor thread has not yet ended.
  bool threadAlive() const;
  /// The number of monitor threads that have not yet ended.
  std::size_t liveThreads() const;
  /// Clears every flag and waits until all threads ended or `limit` passed; true when all
  /// ended. Threads that ended are joined.
  bool stopAndWait(std::chrono::milliseconds limit);

 private:
  struct Run {
    std::atomic<bool> running{true};
    std::atomic<bool> finished{false};
  };
  struct Worker {
    std::shared_ptr<Run> run;
    std::jthread thread;
  };
  struct Shared {
    ReachabilityCheck check;
    MonitorRunIconSink showIcon;
  };

  void joinFinished();

  std::shared_ptr<const Shared> shared_;
  std::vector<Worker> workers_;
  std::uint32_t runCount_ = 0;
};

}  // namespace korvalis
