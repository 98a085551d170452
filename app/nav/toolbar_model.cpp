#include "app/nav/toolbar_model.h"

#include <algorithm>

namespace korvalis::nav {

namespace {

using enum ToolButton;

// id, tooltip, icon, toggle, pressed at start, enabled at start, separator before
constexpr std::array<ToolButtonSpec, 15> kButtons{{
    {Tree, "Baumansicht", "tree", true, true, true, false},
    {LoadRecordFile, "Datendatei laden", "open_record_file", false, false, true, false},
    {SaveWindow, "Speichern...", "save_window", true, false, true, true},
    {SavePage, "Seite speichern", "save_page", false, false, false, false},
    {Print, "Drucken", "print", false, false, false, false},
    {Navigate, "Navigieren", "navigate", true, true, true, true},
    {ShowPage, "Seite zeigen", "show_page", false, false, true, false},
    {Search, "Suche in Datendatei", "search", false, false, true, false},
    {OriginalSize, "Originalgröße", "original_size", true, false, false, true},
    {Zoom, "Zoom", "zoom", true, false, false, false},
    {Crop, "Ausschnitt", "crop", false, false, false, false},
    {RotateRight, "Rechtsdrehung 90°", "rotate_right", false, false, false, true},
    {RotateLeft, "Linksdrehung 90°", "rotate_left", false, false, false, false},
    {PostProcess, "Grafiknachbearbeitung", "postprocess", false, false, false, false},
    {Help, "Hilfe", "help", false, false, true, true},
}};

}  // namespace

std::span<const ToolButtonSpec> toolButtons() {
  return kButtons;
}

const ToolButtonSpec& toolButton(ToolButton id) {
  const auto* found = std::ranges::find(kButtons, id, &ToolButtonSpec::id);
  return *found;  // every enumerator has an entry
}

std::string_view toolTip(ToolButton id) {
  return id == Crop ? "Ausschnitt (Rahmen auf der Seite aufziehen)" : toolButton(id).text;
}

bool isPageTool(ToolButton id) {
  switch (id) {
    case OriginalSize:
    case Zoom:
    case Print:
    case SavePage:
    case RotateLeft:
    case RotateRight:
    case PostProcess:
      return true;
    default:
      return false;
  }
}

bool isLockedInCropView(ToolButton id) {
  switch (id) {
    case Tree:
    case LoadRecordFile:
    case SaveWindow:
    case Navigate:
    case ShowPage:
    case Search:
    case Zoom:
    case OriginalSize:
    case RotateLeft:
    case RotateRight:
    case PostProcess:
      return true;
    default:
      return false;
  }
}

}  // namespace korvalis::nav
