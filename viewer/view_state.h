#pragma once

#include "viewer/page_source.h"

namespace korvalis {

/// Which image the save and print commands use.
enum class ViewImage { Page, Cropped };

/// How the page is shown in the main window: zoom, the view modes and the page itself.
/// Owned by the program's AppState; the page view, the zoom rules and the window's commands
/// work on it. User-interface thread only.
struct ViewState {
  float zoomFactor = 1.0F;
  /// The factor of the last zoomed phase, restored when "Zoom" is pressed again.
  float savedZoomFactor = 1.0F;
  /// Zoomed, actual size or crop view: the page is dragged instead of cropped.
  bool viewMode = false;
  bool fullScreen = false;
  /// A page (downloaded, opened or pasted) is on screen.
  bool pageShown = false;
  /// The tree toggle's state, restored when the full-screen view ends.
  bool treeVisible = true;
  ViewImage viewImage = ViewImage::Page;
  /// The bytes of the shown page as the archive sent them; null for an opened or pasted page.
  /// Shared and never changed in place: a command that took them keeps them.
  PageBytes pageBytes;
  /// The archive's identity of the shown page (what a citation names); empty for a pasted
  /// page or an opened file that carries none.
  PageIdentity pageIdentity;
  /// The left button drags the zoomed page.
  bool dragging = false;
};

}  // namespace korvalis
