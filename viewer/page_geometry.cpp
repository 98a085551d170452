#include "viewer/page_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace korvalis {

PixelSize freeArea(const WindowMetrics& m) {
  const int width = m.innerWidth - (m.treeShown ? m.treeWidth : 0);
  const int height = m.innerHeight - m.statusBarHeight - m.toolBarHeight;
  return {std::max(1, width), std::max(1, height)};
}

PixelSize displaySize(PixelSize page, PixelSize free, const DisplayState& state) {
  if (state.originalSize) {
    return page;
  }
  const double rx = static_cast<double>(page.width) / std::max(1, free.width);
  const double ry = static_cast<double>(page.height) / std::max(1, free.height);
  const double s = std::max(rx, ry);
  if (!(s > 0.0)) {
    return {1, 1};
  }
  const auto side = [&](int length) {
    const double value = length / s * static_cast<double>(state.zoomFactor) - 4.0;
    return std::max(1, static_cast<int>(std::lround(value)));
  };
  return {side(page.width), side(page.height)};
}

std::string zoomStatusText(PixelSize page, PixelSize display, const DisplayState& state) {
  if (!state.pageLoaded) {
    return {};
  }
  if (state.cropChecked || state.originalSize) {
    return " Zoom: 100%";
  }
  const double percent = static_cast<double>(display.width) / std::max(1, page.width) * 100.0 + 0.5;
  return " Zoom: " + std::to_string(static_cast<long long>(percent)) + "%";
}

std::optional<float> zoomInFactor(float zoomFactor, int displayWidth, int pageWidth) {
  const float next = zoomFactor + kZoomStep;
  if (next * static_cast<float>(displayWidth) < 4.0F * static_cast<float>(pageWidth)) {
    return next;
  }
  return std::nullopt;
}

std::optional<float> zoomOutFactor(float zoomFactor) {
  if (zoomFactor > kMinZoom) {
    return zoomFactor - kZoomStep;
  }
  return std::nullopt;
}

void setOriginalSize(ZoomState& state, bool on) {
  state.viewMode = on;
  if (!on) {
    state.zoomFactor = 1.0F;
  }
}

void setZoomMode(ZoomState& state, bool on) {
  state.viewMode = on;
  if (on) {
    state.zoomFactor = state.savedZoomFactor;
  } else {
    state.savedZoomFactor = state.zoomFactor;
    state.zoomFactor = 1.0F;
  }
}

void resetForNewPage(ZoomState& state) {
  state.viewMode = false;
  state.zoomFactor = 1.0F;
}

std::optional<PixelRect> acceptCropSelection(int startX, int startY, int endX, int endY) {
  if (endX < 0 || endY < 0) {
    return std::nullopt;
  }
  const PixelRect rect{std::min(startX, endX), std::min(startY, endY), std::abs(endX - startX),
                       std::abs(endY - startY)};
  if (rect.width < kMinCropSide || rect.height < kMinCropSide) {
    return std::nullopt;
  }
  return rect;
}

std::optional<PixelRect> cropRectOnPage(const PixelRect& selection, PixelSize page,
                                        int displayWidth) {
  if (displayWidth < 1 || page.width < 1 || page.height < 1) {
    return std::nullopt;
  }
  const double scale = static_cast<double>(page.width) / displayWidth;
  const auto scaled = [scale](int v) { return static_cast<long>(std::lround(v * scale)); };
  // A selection dragged past the canvas edge would reach outside the page; it is cut back.
  const long left = std::clamp(scaled(selection.x), 0L, static_cast<long>(page.width));
  const long top = std::clamp(scaled(selection.y), 0L, static_cast<long>(page.height));
  const long right = std::min(left + scaled(selection.width), static_cast<long>(page.width));
  const long bottom = std::min(top + scaled(selection.height), static_cast<long>(page.height));
  if (right <= left || bottom <= top) {
    return std::nullopt;
  }
  return PixelRect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                   static_cast<int>(bottom - top)};
}

std::optional<PageIdentity> archivePageIdentity(std::span<const std::uint8_t> bytes) {
  const auto text = [&](std::size_t at, std::size_t length) {
    return std::string(reinterpret_cast<const char*>(bytes.data()) + at, length);
  };
  if (bytes.size() >= 49 && text(24, 4) == "film" && text(38, 4) == "fram") {
    return PageIdentity{"00" + text(29, 7), text(44, 5), {}};
  }
  return std::nullopt;
}

OpenedPageStatus openedPageStatus(std::span<const std::uint8_t> bytes) {
  if (const std::optional<PageIdentity> identity = archivePageIdentity(bytes)) {
    return {"  " + identity->id + ":" + identity->page, "[Original]"};
  }
  return {"  Seite geladen.", "Kopie"};
}

}  // namespace korvalis
