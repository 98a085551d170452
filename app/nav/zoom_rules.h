// The three zoom states of the page view (fitted, actual size, zoomed) and the zoom steps.
// The toolkit-free half of the "Originalgröße" and "Zoom" tool-bar toggles: the window
// mirrors `ZoomControls` onto its buttons and re-shows the page after each change.
#pragma once

#include "viewer/view_state.h"

namespace korvalis::nav {

inline constexpr float kZoomStep = 0.125F;
inline constexpr float kSmallestZoom = 0.25F;

struct ZoomControls {
  bool originalSizePressed = false;
  bool originalSizeEnabled = true;
  bool zoomPressed = false;
  bool zoomEnabled = true;
};

/// "Originalgröße" pressed or released. The zoom factor is kept while it is pressed.
void setOriginalSize(ViewState& state, ZoomControls& controls, bool pressed);

/// "Zoom" pressed or released. The factor of one zoomed phase is carried to the next through
/// `savedZoomFactor`; while "Zoom" is released the factor is 1.0 (fitted).
void setZoomMode(ViewState& state, ZoomControls& controls, bool pressed);

/// Zoom keys act only while zoomed. `displayWidth` is the width of the shown display image,
/// `pageWidth` that of the full page; the display may not grow to 4 times the page width.
/// Each returns true when the factor changed (the caller then re-shows the page).
bool zoomIn(ViewState& state, const ZoomControls& controls, int displayWidth, int pageWidth);
bool zoomOut(ViewState& state, const ZoomControls& controls);

/// A new page (downloaded or pasted): both toggles released and enabled, fitted at 1.0.
void resetForNewPage(ViewState& state, ZoomControls& controls);

}  // namespace korvalis::nav
