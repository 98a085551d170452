// Fitting a window's start geometry to the screen's free area.
#pragma once

#include <QMargins>
#include <QRect>

class QWidget;

namespace korvalis {

/// A window's place as Qt's move() and resize() take it: the frame's top-left corner and the
/// inner size. Returns the place closest to `wanted` whose frame (inner size grown by
/// `frame`) lies within `available`: the size shrinks to what fits, never below `minimum`,
/// and the position moves only as far as needed.
QRect fitToArea(const QRect& wanted, const QRect& available, const QMargins& frame,
                const QSize& minimum);

/// Fits `window`'s geometry to the free area of the screen it is on. Before the window is
/// first shown its frame is not known yet, and room for a usual title bar and border is kept.
void fitToScreen(QWidget& window);

}  // namespace korvalis
