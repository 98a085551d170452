#pragma once

#include "platform/image.h"

namespace korvalis {

/// What the main window's commands do to the page view: show, turn, replace and scroll the
/// page, open one from disk, post-process it and leave the crop view. The program implements
/// it on the viewer's PageView; the command tests record the calls. User-interface thread only.
class PageDisplay {
 public:
  virtual ~PageDisplay() = default;

  /// Fits the page to the free area (zoom and tool states as they are) and shows it.
  virtual void showPageImage() = 0;
  /// Turns the page by +90 (counter-clockwise) or -90 degrees.
  virtual void rotatePage(int angle) = 0;
  /// "Seite zeigen": a page image from a file.
  virtual void openDocument() = 0;
  virtual bool hasPageImage() const = 0;
  virtual const Image& pageImage() const = 0;
  /// The image that saving, printing and copying use (the cut-out in crop view).
  virtual const Image& viewImage() const = 0;
  /// A pasted image becomes the page image (not shown yet).
  virtual void setPageImage(Image image) = 0;
  /// Width of the shown display image.
  virtual int displayWidth() const = 0;
  /// The hand cursor while zoomed, else the arrow.
  virtual void setHandCursor(bool hand) = 0;
  /// Scrolls the page area by the given pixels.
  virtual void scrollBy(int dx, int dy) = 0;
  /// "Nachbearbeitung": opens the post-processing window on the page.
  virtual void openPostProcessing() = 0;
  /// Leaves the crop view: the fitted page is shown again.
  virtual void endCropView() = 0;
};

}  // namespace korvalis
