#include "app/ui/resize_watch.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace korvalis {

ResizeWatch::ResizeWatch(QWidget& watched, std::function<void()> changed, Timing timing)
    : watched_(watched), changed_(std::move(changed)), timing_(timing) {
  watched_.installEventFilter(this);
}

ResizeWatch::~ResizeWatch() {
  watched_.removeEventFilter(this);
}

bool ResizeWatch::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &watched_ || (event->type() != QEvent::Resize && event->type() != QEvent::Show)) {
    return false;
  }
  if (timing_ == Timing::Immediately) {
    changed_();
  } else if (!pending_) {
    pending_ = true;
    // The timer belongs to this object, so it does not fire after the watch is gone.
    QTimer::singleShot(0, this, [this] {
      pending_ = false;
      changed_();
    });
  }
  return false;
}

}  // namespace korvalis
