// The page view: a scrolling area holding the page canvas. Keeps the full page image and the
// display image derived from it, fits, zooms, rotates, crops and drags the page, and opens
// page images saved earlier.
#pragma once

#include <QImage>
#include <QScrollArea>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "archive/page_answer.h"
#include "platform/image.h"
#include "viewer/page_geometry.h"
#include "viewer/page_source.h"

namespace korvalis {

struct ViewState;
class MainView;
class Platform;
class PageCanvas;

class PageView : public QScrollArea {
  Q_OBJECT

 public:
  /// The tool-bar states the display depends on, read at each ShowPageImage.
  struct ToolState {
    bool originalSize = false;
    bool cropChecked = false;
  };

  PageView(ViewState& state, MainView& view, QWidget* parent = nullptr);
  ~PageView() override;

  /// Where the window's measures come from (free area beside the tree, between the bars).
  void setMetricsSource(std::function<WindowMetrics()> metrics);
  void setToolStateSource(std::function<ToolState()> tools);
  /// Whether a page request is in flight; rotating and cropping wait for it to end.
  void setRequestSource(std::function<bool()> requestInFlight);

  bool hasPageImage() const { return !pageImage().isNull(); }
  /// The page image shown now; valid until the next page, turn or edit. Whatever must outlive
  /// an event loop takes pageSnapshot() instead.
  const Image& pageImage() const { return page_ ? *page_ : noImage(); }
  /// Replaces the page image by another page (pasted or made by a command).
  void setPageImage(Image image);
  /// Replaces the page image by an edited version of the same page (post-processing): the
  /// kept download bytes and the page's number stay; call showPageImage() afterwards.
  void replaceEditedPage(SharedImage image);
  /// The shown page image, shared: it stays as it is whatever the view shows later.
  SharedImage pageSnapshot() const { return page_; }
  /// Counts the pages the view was given (downloaded, opened, pasted); turning or editing a
  /// page keeps its number. Lets a window that works on a snapshot tell whether the view still
  /// shows that page.
  std::uint64_t pageNumber() const { return pageNumber_; }
  /// The display image (the cut-out in crop view).
  const Image& displayImage() const { return display_ ? *display_ : noImage(); }
  SharedImage displaySnapshot() const { return display_; }
  /// The image that saving and printing use.
  const Image& viewImage() const;
  /// The image that saving and printing use, shared.
  SharedImage viewSnapshot() const;
  /// Everything "Seite speichern" and the PDF export need, owned by the returned value.
  PageSource pageSource(bool zoomOrCrop) const;

  /// Recomputes the display image for the free area, zoom and tool state and shows it.
  void showPageImage();
  /// Decodes received page bytes; a page becomes the page image and the bytes are kept
  /// byte for byte in `pageBytes` (Shown). Bytes that are no image change nothing (Ignored).
  PageAnswer acceptPageBytes(std::span<const std::uint8_t> bytes);
  /// Turns the page by +90 (counter-clockwise) or -90 (clockwise) degrees; drives the
  /// progress field. Does nothing without a page or while a request is in flight.
  bool rotatePage(int angle);
  /// Shows the cut-out `selection` (display pixels) of the page at full resolution.
  bool showCutOut(const PixelRect& selection);
  /// "Seite zeigen": asks for a file (of the types in `filter`) and shows it; returns true
  /// when a page was opened.
  bool openDocument(Platform& platform, std::string_view filter);
  /// Ends the crop view: the display shows the (fitted) page again.
  void endCutOut();

  void setHandCursor(bool hand);

 signals:
  /// A crop selection began (left button on the page outside zoom and crop view): the window
  /// shows "Ausschnitt" pressed and disabled.
  void cropStarted();
  /// The selection ended; `accepted` when the cut-out is now shown (crop view).
  void cropFinished(bool accepted);
  /// A page was opened from a file (zoom toggles go back to released).
  void pageOpened();
  /// The pop-up menu was asked for over the page (right click or the menu key).
  void pageMenuRequested(QPoint globalPos);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  /// Shows display_ in the canvas. With `keepCentre` the point of the page at the centre of
  /// the view stays there (a zoom step or a refit of the same page); otherwise the view
  /// starts at the page's top-left corner.
  void showDisplay(bool keepCentre = false);

  bool requestInFlight() const { return requestInFlight_ && requestInFlight_(); }
  /// Takes `image` as a new page (not an edit of the shown one).
  void takeNewPage(Image image);
  static const Image& noImage();

  ViewState& state_;
  MainView& view_;
  PageCanvas* canvas_ = nullptr;
  SharedImage page_;
  SharedImage display_;
  std::uint64_t pageNumber_ = 0;
  std::function<WindowMetrics()> metrics_;
  std::function<ToolState()> tools_;
  std::function<bool()> requestInFlight_;
  QPoint dragLast_;
  bool cropping_ = false;
  QPoint cropStart_;
  std::string lastDirectory_;
  /// Set when page_ is replaced; the next showPageImage() starts that page at its top-left
  /// corner instead of keeping the centre of the view.
  bool newPage_ = true;
};

}  // namespace korvalis
