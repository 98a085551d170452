#include "app/nav/zoom_rules.h"

namespace korvalis::nav {

void setOriginalSize(ViewState& state, ZoomControls& controls, bool pressed) {
  controls.originalSizePressed = pressed;
  if (pressed) {
    controls.zoomEnabled = false;
    state.viewMode = true;
    state.savedZoomFactor = state.zoomFactor;
  } else {
    state.viewMode = false;
    state.zoomFactor = state.savedZoomFactor;
    controls.zoomEnabled = true;
  }
}

void setZoomMode(ViewState& state, ZoomControls& controls, bool pressed) {
  controls.zoomPressed = pressed;
  if (pressed) {
    state.viewMode = true;
    state.zoomFactor = state.savedZoomFactor;
    controls.originalSizeEnabled = false;
  } else {
    state.viewMode = false;
    state.savedZoomFactor = state.zoomFactor;
    state.zoomFactor = 1.0F;
    controls.originalSizeEnabled = true;
  }
}

namespace {
bool zoomKeysActive(const ViewState& state, const ZoomControls& controls) {
  return controls.zoomPressed && !controls.originalSizePressed && state.viewMode;
}
}  // namespace

bool zoomIn(ViewState& state, const ZoomControls& controls, int displayWidth, int pageWidth) {
  if (!zoomKeysActive(state, controls)) {
    return false;
  }
  const double grown = (static_cast<double>(state.zoomFactor) + kZoomStep) * displayWidth;
  if (grown >= 4.0 * pageWidth) {
    return false;
  }
  state.zoomFactor += kZoomStep;
  return true;
}

bool zoomOut(ViewState& state, const ZoomControls& controls) {
  if (!zoomKeysActive(state, controls) || state.zoomFactor <= kSmallestZoom) {
    return false;
  }
  state.zoomFactor -= kZoomStep;
  return true;
}

void resetForNewPage(ViewState& state, ZoomControls& controls) {
  controls = ZoomControls{};
  state.viewMode = false;
  state.zoomFactor = 1.0F;
}

}  // namespace korvalis::nav
