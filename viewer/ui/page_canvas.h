// The widget inside the page view that paints the display image and, while a crop selection
// is dragged, the selection frame drawn inverting the pixels beneath it.
#pragma once

#include <QRect>
#include <QWidget>

#include "platform/image.h"

namespace korvalis {

class PageCanvas : public QWidget {
  Q_OBJECT

 public:
  explicit PageCanvas(QWidget* parent = nullptr);

  /// Shows `image` (not copied: it must stay alive and unchanged while shown).
  void setImage(const Image* image);
  /// The selection frame in canvas pixels; an empty rectangle hides it.
  void setFrame(const QRect& frame);
  QRect frame() const { return frame_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const Image* image_ = nullptr;
  QRect frame_;
};

}  // namespace korvalis
