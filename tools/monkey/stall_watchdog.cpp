#include "tools/monkey/stall_watchdog.h"

#include <algorithm>
#include <utility>

namespace korvalis::monkey {

namespace {
constexpr int kTickMs = 5;
}

StallWatchdog::StallWatchdog(std::function<bool()> modalOpen, std::function<void(qint64)> stalled,
                             qint64 limitMs)
    : modalOpen_(std::move(modalOpen)), stalled_(std::move(stalled)), limitMs_(limitMs) {
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(kTickMs);
  connect(&timer_, &QTimer::timeout, this, &StallWatchdog::tick);
}

void StallWatchdog::start() {
  excluded_ = 0;
  modalAtLastTick_ = modalOpen_();
  sinceTick_.start();
  timer_.start();
}

void StallWatchdog::stop() {
  timer_.stop();
}

void StallWatchdog::tick() {
  const qint64 gap = sinceTick_.restart() - excluded_;
  excluded_ = 0;
  const bool modal = modalOpen_();
  // A gap that began or ended with a modal window up belongs to that window.
  if (!modal && !modalAtLastTick_) {
    longest_ = std::max(longest_, gap);
    if (gap > limitMs_) {
      stalled_(gap);
    }
  } else {
    longestModal_ = std::max(longestModal_, gap);
  }
  modalAtLastTick_ = modal;
}

}  // namespace korvalis::monkey
