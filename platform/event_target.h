#pragma once

#include <cstdint>

namespace korvalis {

/// A window that receives events posted from worker threads (completion events of the
/// transfer engine, progress values). `postEvent` may be called from any thread; the event
/// is delivered to the window's handler on the user-interface thread. An implementation
/// drops events once its window is gone.
class EventTarget {
 public:
  virtual ~EventTarget() = default;
  /// Posts event `code` with data value `data` (for completion events: the job handle).
  virtual void postEvent(int code, std::uintptr_t data) = 0;
};

}  // namespace korvalis
