#pragma once

#include <string_view>

namespace korvalis {

/// The windows that commands open and that are built later than the main window's own
/// parts. A command whose window does not exist is disabled, never a click that does nothing.
enum class LaterWindow {
  SavePage,    ///< "Seite speichern" (with the encoder settings and the PDF export window)
  Print,       ///< "Drucken"
  SaveWindow,  ///< " Speichern..." (tool-bar toggle and the tree pop-up's "Speichern...")
};

/// The windows beside the main window that its commands open: the record windows ("Info",
/// "Suchen"), help, and the later windows. The program implements it; the command tests
/// record the calls. User-interface thread only.
class OtherWindows {
 public:
  virtual ~OtherWindows() = default;

  /// Whether `window` exists; its commands are disabled when it does not.
  virtual bool exists(LaterWindow window) const = 0;
  /// "Seite speichern" (only called when it exists).
  virtual void savePage() = 0;
  /// "Drucken"; `cropped` while the crop view shows a cut-out (only called when it exists).
  virtual void print(bool cropped) = 0;
  /// The save window's tool-bar toggle (only called when it exists).
  virtual void setSaveWindowShown(bool shown) = 0;
  /// The tree pop-up's "Speichern...": the save window for the selected entry, which disables
  /// the main window's contents while it is shown. Only called when the save window exists.
  virtual void openSaveWindowForSelection() = 0;

  /// The pop-up's "Zeige Info": the info window.
  virtual void showEntryInfo() = 0;
  /// Searches the record data for `text` (Windows-1252) and fills the search window.
  virtual void search(std::string_view text) = 0;
  /// Shows the search window (F3, and after a search).
  virtual void showSearchResults() = 0;
  /// The help (F1, "Hilfe").
  virtual void help() = 0;
};

}  // namespace korvalis
