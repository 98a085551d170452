// The widget inside the page view that paints the display image and, while a crop selection
// is dragged, the selection frame drawn inverting the pixels beneath it.
#pragma once

#include <QRect>
#include <QWidget>

#include "platform/image.h"
#include "viewer/page_source.h"

namespace korvalis {

class PageCanvas : public QWidget {
  Q_OBJECT

 public:
  explicit PageCanvas(QWidget* parent = nullptr);

  /// Shows `image`; the canvas holds it while it is shown.
  void setImage(SharedImage image);
  /// The selection frame in canvas pixels; an empty rectangle hides it.
  void setFrame(const QRect& frame);
  QRect frame() const { return frame_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  SharedImage image_;
  QRect frame_;
};

}  // namespace korvalis
