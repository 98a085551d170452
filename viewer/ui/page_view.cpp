#include "viewer/ui/page_view.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iterator>

#include "platform/file_io.h"
#include "platform/main_view.h"
#include "platform/platform.h"
#include "viewer/image_codec.h"
#include "viewer/rotate.h"
#include "viewer/scale.h"
#include "viewer/ui/page_canvas.h"
#include "viewer/view_state.h"

namespace korvalis {

namespace {

constexpr int kBlankSide = 8;

PixelSize sizeOf(const Image& image) {
  return {image.width(), image.height()};
}

}  // namespace

PageView::PageView(ViewState& state, MainView& view, QWidget* parent)
    : QScrollArea(parent), state_(state), view_(view), canvas_(new PageCanvas) {
  setObjectName(QStringLiteral("pageView"));
  setWidgetResizable(false);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  canvas_->resize(1024, 768);
  setWidget(canvas_);
  canvas_->installEventFilter(this);
  canvas_->setImage(display_);
}

PageView::~PageView() = default;

void PageView::setMetricsSource(std::function<WindowMetrics()> metrics) {
  metrics_ = std::move(metrics);
}
void PageView::setToolStateSource(std::function<ToolState()> tools) {
  tools_ = std::move(tools);
}
void PageView::setRequestSource(std::function<bool()> requestInFlight) {
  requestInFlight_ = std::move(requestInFlight);
}

const Image& PageView::noImage() {
  static const Image none;
  return none;
}

void PageView::takeNewPage(Image image) {
  page_ = makeSharedImage(std::move(image));
  ++pageNumber_;
  newPage_ = true;
}

void PageView::setPageImage(Image image) {
  takeNewPage(std::move(image));
}

void PageView::replaceEditedPage(SharedImage image) {
  page_ = std::move(image);
}

const Image& PageView::viewImage() const {
  return state_.viewImage == ViewImage::Cropped ? displayImage() : pageImage();
}

SharedImage PageView::viewSnapshot() const {
  return state_.viewImage == ViewImage::Cropped ? display_ : page_;
}

PageSource PageView::pageSource(bool zoomOrCrop) const {
  return PageSource{state_.pageBytes, page_, display_, zoomOrCrop};
}

void PageView::showPageImage() {
  const ToolState tools = tools_ ? tools_() : ToolState{};
  if (!tools.cropChecked && pageImage().isNull()) {
    page_ = makeSharedImage(Image::filled(kBlankSide, kBlankSide, 0x00FFFFFF));
    newPage_ = true;
  }
  const WindowMetrics metrics =
      metrics_ ? metrics_() : WindowMetrics{viewport()->width(), viewport()->height()};
  const DisplayState ds{state_.zoomFactor, tools.originalSize, tools.cropChecked, state_.pageShown};
  if (tools.cropChecked) {
    // The cut-out is shown at full resolution: nothing to resample.
    view_.setStatusText(1, state_.pageShown ? " Zoom: 100%" : "");
    showDisplay(/*keepCentre=*/true);
    return;
  }
  const Image& page = pageImage();
  const PixelSize target = displaySize(sizeOf(page), freeArea(metrics), ds);
  view_.setStatusText(1, zoomStatusText(sizeOf(page), target, ds));
  display_ = (target == sizeOf(page))
                 ? page_
                 : makeSharedImage(scaleImage(page, target.width, target.height));
  showDisplay(/*keepCentre=*/!newPage_);
  newPage_ = false;
}

void PageView::showDisplay(bool keepCentre) {
  // Where the centre of the visible part lies on the canvas, as a fraction of its size (a
  // canvas smaller than the view is seen whole, so its own middle counts).
  const QSize before = canvas_->size();
  const auto centreOf = [](int scrolled, int view, int canvas) {
    return (scrolled + std::min(view, canvas) / 2.0) / std::max(canvas, 1);
  };
  const double centreX =
      centreOf(horizontalScrollBar()->value(), viewport()->width(), before.width());
  const double centreY =
      centreOf(verticalScrollBar()->value(), viewport()->height(), before.height());
  canvas_->setFrame({});
  canvas_->resize(std::max(displayImage().width(), 1), std::max(displayImage().height(), 1));
  canvas_->setImage(display_);
  canvas_->update();
  if (keepCentre) {
    horizontalScrollBar()->setValue(
        static_cast<int>(std::lround(centreX * canvas_->width() - viewport()->width() / 2.0)));
    verticalScrollBar()->setValue(
        static_cast<int>(std::lround(centreY * canvas_->height() - viewport()->height() / 2.0)));
  } else {
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
  }
}

PageAnswer PageView::acceptPageBytes(std::span<const std::uint8_t> bytes) {
  DecodeResult decoded = decodeImage(bytes);
  if (!decoded.ok()) {
    return PageAnswer::Ignored;
  }
  takeNewPage(std::move(decoded.image));
  state_.viewImage = ViewImage::Page;
  state_.pageBytes = makePageBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  return PageAnswer::Shown;
}

bool PageView::rotatePage(int angle) {
  if (pageImage().isNull() || requestInFlight()) {
    return false;
  }
  // The progress field counts the turn in percent (a download before set its own range) and
  // is emptied again afterwards.
  view_.setProgressRange(100);
  Image turned =
      rotateImage(pageImage(), angle, [this](int percent) { view_.setProgressValue(percent); });
  view_.setProgressValue(0);
  if (turned.isNull()) {
    return false;
  }
  page_ = makeSharedImage(std::move(turned));
  newPage_ = true;
  showPageImage();
  return true;
}

bool PageView::showCutOut(const PixelRect& selection) {
  const Image& page = pageImage();
  const auto onPage = cropRectOnPage(selection, sizeOf(page), displayImage().width());
  if (!onPage) {
    return false;
  }
  Image cut(onPage->width, onPage->height);
  if (cut.isNull()) {
    return false;
  }
  for (int y = 0; y < onPage->height; ++y) {
    const std::uint32_t* src = page.row(onPage->y + y) + onPage->x;
    std::copy(src, src + onPage->width, cut.row(y));
  }
  display_ = makeSharedImage(std::move(cut));
  state_.viewImage = ViewImage::Cropped;
  view_.setStatusText(1, "Zoom: 100%");
  showDisplay();
  return true;
}

void PageView::endCutOut() {
  state_.viewImage = ViewImage::Page;
  state_.viewMode = false;
  showPageImage();
}

bool PageView::openDocument(Platform& platform, std::string_view filter) {
  const auto path = platform.openFileDialog("Dokumente anzeigen...", lastDirectory_, filter);
  if (!path) {
    return false;
  }
  // A file that cannot be read is reported as one that does not decode.
  const std::vector<std::uint8_t> bytes =
      readWholeFileBytes(*path).value_or(std::vector<std::uint8_t>{});
  DecodeResult decoded = decodeImage(bytes);
  if (!decoded.ok()) {
    view_.setStatusText(0, "  Fehler!");
    const std::string name = std::filesystem::path(*path).filename().string();
    platform.message("Fehler!", "Konnte \"" + name + "\" nicht laden!", MessageSign::Error);
    view_.setStatusText(0, "");
    return false;
  }
  lastDirectory_ = std::filesystem::path(*path).parent_path().string();
  takeNewPage(std::move(decoded.image));
  state_.pageBytes.reset();
  state_.pageIdentity = archivePageIdentity(bytes).value_or(
      PageIdentity{});  // an opened file is no download: nothing to keep byte for byte
  state_.viewMode = false;
  state_.zoomFactor = 1.0F;
  state_.pageShown = true;
  state_.viewImage = ViewImage::Page;
  emit pageOpened();  // the window releases "Originalgröße" and "Zoom"
  showPageImage();
  view_.setImageMode(1);
  view_.setStatusText(3, "Kopie");
  const OpenedPageStatus status = openedPageStatus(bytes);
  view_.setStatusText(0, status.statusText);
  view_.setStatusText(3, status.sourceText);
  return true;
}

void PageView::setHandCursor(bool hand) {
  canvas_->setCursor(hand ? Qt::OpenHandCursor : Qt::ArrowCursor);
}

void PageView::contextMenuEvent(QContextMenuEvent* event) {
  emit pageMenuRequested(event->globalPos());
  event->accept();
}

bool PageView::eventFilter(QObject* watched, QEvent* event) {
  if (watched != canvas_) {
    return QScrollArea::eventFilter(watched, event);
  }
  // Only mouse events are read as such: any other event reaching the canvas is passed on.
  const auto* mouse = dynamic_cast<const QMouseEvent*>(event);
  if (mouse == nullptr) {
    return QScrollArea::eventFilter(watched, event);
  }
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      if (mouse->button() != Qt::LeftButton) {
        break;
      }
      if (state_.viewMode) {
        canvas_->setCursor(Qt::SizeAllCursor);
        state_.dragging = true;
        dragLast_ = mouse->globalPosition().toPoint();
      } else if (!pageImage().isNull() && !requestInFlight()) {
        cropping_ = true;
        cropStart_ = mouse->position().toPoint();
        emit cropStarted();
      }
      return true;
    case QEvent::MouseMove:
      if (cropping_) {
        // The frame runs from the start point to the pointer, kept inside the canvas' origin.
        const QPoint end(std::max(0, mouse->position().toPoint().x()),
                         std::max(0, mouse->position().toPoint().y()));
        canvas_->setFrame(QRect(cropStart_, end).normalized());
        return true;
      }
      if (state_.dragging && state_.viewMode) {
        // The page follows the pointer: the scroll position moves the other way.
        const QPoint now = mouse->globalPosition().toPoint();
        const QPoint delta = dragLast_ - now;
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + delta.x());
        verticalScrollBar()->setValue(verticalScrollBar()->value() + delta.y());
        dragLast_ = now;
        return true;
      }
      break;
    case QEvent::MouseButtonRelease:
      if (mouse->button() == Qt::LeftButton && cropping_) {
        cropping_ = false;
        canvas_->setFrame({});
        const QPoint end = mouse->position().toPoint();
        const auto selection =
            acceptCropSelection(cropStart_.x(), cropStart_.y(), end.x(), end.y());
        const bool accepted = selection && showCutOut(*selection);
        if (accepted) {
          state_.viewMode = true;
        }
        emit cropFinished(accepted);
        return true;
      }
      if (mouse->button() == Qt::LeftButton && state_.dragging) {
        if (state_.viewMode) {
          canvas_->setCursor(Qt::OpenHandCursor);
        }
        state_.dragging = false;
        return true;
      }
      break;
    default:
      break;
  }
  return QScrollArea::eventFilter(watched, event);
}

}  // namespace korvalis
