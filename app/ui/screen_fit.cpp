#include "app/ui/screen_fit.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace korvalis {

namespace {

// Room for a title bar and borders while the window manager has not framed the window yet.
constexpr QMargins kUsualFrame(8, 32, 8, 8);

// The start of a span of `length` moved into [low, high) as far as needed; a span longer
// than the room starts at the room's start.
int placeSpan(int start, int length, int low, int high) {
  return std::max(low, std::min(start, high - length));
}

}  // namespace

QRect fitToArea(const QRect& wanted, const QRect& available, const QMargins& frame,
                const QSize& minimum) {
  const int roomWidth = available.width() - frame.left() - frame.right();
  const int roomHeight = available.height() - frame.top() - frame.bottom();
  const int width = std::max(minimum.width(), std::min(wanted.width(), roomWidth));
  const int height = std::max(minimum.height(), std::min(wanted.height(), roomHeight));
  const int x = placeSpan(wanted.x(), width + frame.left() + frame.right(), available.left(),
                          available.left() + available.width());
  const int y = placeSpan(wanted.y(), height + frame.top() + frame.bottom(), available.top(),
                          available.top() + available.height());
  return {x, y, width, height};
}

void fitToScreen(QWidget& window) {
  const QScreen* screen = window.screen();
  if (screen == nullptr) {
    return;
  }
  const QRect inner = window.geometry();
  const QRect outer = window.frameGeometry();
  QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                 outer.right() - inner.right(), outer.bottom() - inner.bottom());
  if (!window.testAttribute(Qt::WA_WState_Created) || frame.isNull()) {
    frame = kUsualFrame;
  }
  const QRect wanted(window.pos(), inner.size());
  const QRect fitted = fitToArea(wanted, screen->availableGeometry(), frame, window.minimumSize());
  if (fitted != wanted) {
    window.resize(fitted.size());
    window.move(fitted.topLeft());
  }
}

}  // namespace korvalis
