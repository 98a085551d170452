#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "viewer/page_source.h"

namespace korvalis {

struct PixelSize {
  int width = 0;
  int height = 0;
  bool operator==(const PixelSize&) const = default;
};

struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const PixelRect&) const = default;
};

/// The main window's measures that decide the free area for the page.
struct WindowMetrics {
  int innerWidth = 0;
  int innerHeight = 0;
  bool treeShown = false;
  int treeWidth = 0;
  int statusBarHeight = 0;
  int toolBarHeight = 0;
};

/// Free area beside the tree panel and between tool bar and status bar (at least 1 x 1).
PixelSize freeArea(const WindowMetrics& metrics);

/// State of the view tools that decide the display size.
struct DisplayState {
  float zoomFactor = 1.0F;
  bool originalSize = false;  // "Originalgröße" checked
  bool cropChecked = false;   // "Ausschnitt" checked
  bool pageLoaded = false;
};

/// Display size of a page in the free area: larger of the two ratios, times the zoom factor,
/// minus 4, rounded (at least 1 x 1); the page size when "Originalgröße" is on.
PixelSize displaySize(PixelSize page, PixelSize free, const DisplayState& state);

/// Text of status field 1 for the shown page (" Zoom: 57%"; empty without a page).
std::string zoomStatusText(PixelSize page, PixelSize display, const DisplayState& state);

/// Zoom steps: the next factor, or nothing when the step is not allowed.
inline constexpr float kZoomStep = 0.125F;
inline constexpr float kMinZoom = 0.25F;
std::optional<float> zoomInFactor(float zoomFactor, int displayWidth, int pageWidth);
std::optional<float> zoomOutFactor(float zoomFactor);

/// Zoom fields of the view state, changed by the "Originalgröße" and "Zoom" toggles.
struct ZoomState {
  float zoomFactor = 1.0F;
  float savedZoomFactor = 1.0F;
  bool viewMode = false;
};

/// "Originalgröße" on: view mode 1, zoom factor kept. Off: view mode 0 and the fitted view
/// (factor 1.0; the toggle can only be pressed outside zoom mode, where the factor is 1.0).
void setOriginalSize(ZoomState& state, bool on);

/// "Zoom" on: view mode 1, zoom factor = saved factor. Off: view mode 0, saved factor = zoom
/// factor, zoom factor 1.0.
void setZoomMode(ZoomState& state, bool on);

/// A new page (download or file): normal view at factor 1.0; the saved factor stays.
void resetForNewPage(ZoomState& state);

/// Smallest crop selection in display pixels along either side.
inline constexpr int kMinCropSide = 5;

/// Normalised selection rectangle in display pixels, or nothing when the selection is
/// refused (end point negative, or narrower or lower than 5 pixels).
std::optional<PixelRect> acceptCropSelection(int startX, int startY, int endX, int endY);

/// Maps a display selection to page pixels (scale = page width / display width, each value
/// rounded) and keeps it inside the page; nothing when no pixel remains.
std::optional<PixelRect> cropRectOnPage(const PixelRect& selection, PixelSize page,
                                        int displayWidth);

/// What the status bar shows after opening a saved page: the identity the archive's JPEG
/// files carry ("film" at byte 24, "fram" at 38) gives "  00" + film digits + ":" + page
/// digits and "[Original]"; anything else gives "  Seite geladen." and "Kopie".
/// The identity the archive's own JPEG files carry ("film" at byte 24 with seven film digits
/// at 29, "fram" at 38 with five page digits at 44); nothing for other bytes.
std::optional<PageIdentity> archivePageIdentity(std::span<const std::uint8_t> fileBytes);

struct OpenedPageStatus {
  std::string statusText;
  std::string sourceText;
};
OpenedPageStatus openedPageStatus(std::span<const std::uint8_t> fileBytes);

}  // namespace korvalis
