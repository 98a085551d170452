#pragma once

#include <QEvent>
#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/event_target.h"

namespace korvalis {

/// The Qt event that carries a posted (code, data) pair.
class PostedEvent : public QEvent {
 public:
  PostedEvent(int code, std::uintptr_t data) : QEvent(type()), code_(code), data_(data) {}
  /// The event type, registered with Qt once.
  static QEvent::Type type();
  int code() const { return code_; }
  std::uintptr_t data() const { return data_; }

 private:
  int code_;
  std::uintptr_t data_;
};

/// A window's handler for its posted events; runs on the user-interface thread.
using PostedEventHandler = std::function<void(int code, std::uintptr_t data)>;

namespace detail {
class EventRelay;
/// Deletes the relay on its own thread after the events already posted to it.
struct RelayDeleter {
  void operator()(EventRelay* relay) const;
};
}  // namespace detail

/// An EventTarget for one window. postEvent may be called from any thread: the event is
/// queued with Qt and handed to the window's handler on the user-interface thread. Once the
/// window is destroyed, events still queued or posted later are dropped.
///
/// Workers hold the target through std::shared_ptr (or std::weak_ptr); the target itself and
/// the queue object behind it stay valid as long as any worker holds it, so a post can never
/// reach a destroyed object, whatever the order in which the window and the workers end.
class QtEventTarget : public EventTarget {
 public:
  /// A target delivering to `handler` while `window` exists. Call on the window's thread.
  static std::shared_ptr<QtEventTarget> create(QObject* window, PostedEventHandler handler);

  void postEvent(int code, std::uintptr_t data) override;

  /// Private: use create().
  struct Token {};
  QtEventTarget(Token, QObject* window, PostedEventHandler handler);

 private:
  std::unique_ptr<detail::EventRelay, detail::RelayDeleter> relay_;
};

}  // namespace korvalis
