#include "viewer/ui/page_canvas.h"

#include <QPaintEvent>
#include <QPainter>

#include "platform/qt/qt_image.h"

namespace korvalis {

PageCanvas::PageCanvas(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setObjectName(QStringLiteral("pageCanvas"));
}

void PageCanvas::setImage(SharedImage image) {
  image_ = std::move(image);
  update();
}

void PageCanvas::setFrame(const QRect& frame) {
  // Repaint the old and the new frame only; the page beneath is repainted as is.
  update(frame_.adjusted(-1, -1, 1, 1));
  frame_ = frame;
  update(frame_.adjusted(-1, -1, 1, 1));
}

void PageCanvas::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), palette().color(QPalette::Window));
  if (image_ != nullptr && !image_->isNull()) {
    painter.drawImage(event->rect().topLeft(), wrapImage(*image_), event->rect());
  }
  if (!frame_.isEmpty()) {
    // An inverting frame stays visible on white and on black page areas alike.
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame_.adjusted(0, 0, -1, -1));
  }
}

}  // namespace korvalis
