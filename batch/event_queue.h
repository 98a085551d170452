#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

#include "platform/event_target.h"

namespace korvalis {

/// An EventTarget for programs without a window (krv) and for tests: events posted from any
/// thread wait in a queue until the owning thread takes them with next().
class EventQueue : public EventTarget {
 public:
  struct Event {
    int code = 0;
    std::uintptr_t data = 0;
  };

  void postEvent(int code, std::uintptr_t data) override;
  /// The next event, waiting up to `limit` for one; nothing when none came.
  std::optional<Event> next(std::chrono::milliseconds limit);

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<Event> events_;
};

}  // namespace korvalis
