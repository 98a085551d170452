// The main window's tool bar as data: the buttons in their order with tooltip text, kind,
// icon and start state, and the page-tool enabling rule.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string_view>

namespace korvalis::nav {

enum class ToolButton {
  Tree,
  LoadRecordFile,
  SaveWindow,
  SavePage,
  Print,
  Navigate,
  ShowPage,
  Search,
  OriginalSize,
  Zoom,
  Crop,
  RotateRight,
  RotateLeft,
  PostProcess,
  Help,
};

struct ToolButtonSpec {
  ToolButton id;
  std::string_view text;  ///< tooltip
  std::string_view icon;  ///< base name of the embedded 24 x 24 PNG
  bool toggle;
  bool startPressed;
  bool startEnabled;
  bool separatorBefore;
};

/// The buttons in tool-bar order.
std::span<const ToolButtonSpec> toolButtons();

/// The entry of one button.
const ToolButtonSpec& toolButton(ToolButton id);

/// The button's tooltip: its text, and for "Ausschnitt", which does nothing on a click, how
/// cropping starts (a frame dragged on the page).
std::string_view toolTip(ToolButton id);

/// The seven buttons that are enabled while a page is shown and disabled otherwise.
bool isPageTool(ToolButton id);

/// The buttons disabled while a cut-out is shown (the crop view), so only saving, printing,
/// "Ausschnitt" itself and help stay usable.
bool isLockedInCropView(ToolButton id);

}  // namespace korvalis::nav
