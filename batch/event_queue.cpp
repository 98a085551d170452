#include "batch/event_queue.h"

namespace korvalis {

void EventQueue::postEvent(int code, std::uintptr_t data) {
  {
    const std::lock_guard lock(mutex_);
    events_.push_back({code, data});
  }
  posted_.notify_one();
}

std::optional<EventQueue::Event> EventQueue::next(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  if (!posted_.wait_for(lock, limit, [this] { return !events_.empty(); })) {
    return std::nullopt;
  }
  const Event event = events_.front();
  events_.pop_front();
  return event;
}

}  // namespace korvalis
