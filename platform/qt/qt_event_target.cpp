#include "platform/qt/qt_event_target.h"

#include <QCoreApplication>
#include <QPointer>

namespace korvalis {

QEvent::Type PostedEvent::type() {
  static const auto registered = static_cast<QEvent::Type>(QEvent::registerEventType());
  return registered;
}

namespace detail {

/// Lives on the window's thread and receives the posted events; forwards them to the
/// handler while the window exists. Only ever touched on that thread, apart from
/// QCoreApplication::postEvent and deleteLater, which Qt makes safe from any thread.
class EventRelay : public QObject {
 public:
  EventRelay(QObject* window, PostedEventHandler handler)
      : window_(window), handler_(std::move(handler)) {}

  bool event(QEvent* event) override {
    if (event->type() != PostedEvent::type()) {
      return QObject::event(event);
    }
    if (!window_.isNull() && handler_) {
      const auto* posted = static_cast<const PostedEvent*>(event);
      handler_(posted->code(), posted->data());
    }
    return true;
  }

 private:
  QPointer<QObject> window_;
  PostedEventHandler handler_;
};

void RelayDeleter::operator()(EventRelay* relay) const {
  if (relay != nullptr) {
    relay->deleteLater();
  }
}

}  // namespace detail

QtEventTarget::QtEventTarget(Token, QObject* window, PostedEventHandler handler)
    : relay_(new detail::EventRelay(window, std::move(handler))) {
  if (window != nullptr) {
    relay_->moveToThread(window->thread());
  }
}

std::shared_ptr<QtEventTarget> QtEventTarget::create(QObject* window, PostedEventHandler handler) {
  return std::make_shared<QtEventTarget>(Token{}, window, std::move(handler));
}

void QtEventTarget::postEvent(int code, std::uintptr_t data) {
  QCoreApplication::postEvent(relay_.get(), new PostedEvent(code, data));
}

}  // namespace korvalis
