#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvalis {

/// The controls of the save window whose enabled state the commands set.
enum class SaveControl {
  IdField,
  FromField,
  ToField,
  CreateLinks,   ///< "Links erstellen"
  ToClipboard,   ///< "in Clipboard"
  ToFile,        ///< "in Datei"
  FolderButton,  ///< "..."
  FolderField,
  PatternField,
  AssignNames,  ///< "Dateinamen übernehmen"
  Start,        ///< "DL Start"
  Stop,         ///< "DL Stop"
  List,
};

/// The text fields of the save window.
enum class SaveField { Id, From, To, Folder, Pattern };

/// What the save window's commands need from the window: field texts, enabled states, the
/// progress bar, the title, the list's current and highlighted rows, and the main window's
/// enabled state. The Qt window implements it; tests use a recording double.
/// Field texts are UTF-8 (as typed); the title is Windows-1252.
class SaveWindowView {
 public:
  virtual ~SaveWindowView() = default;

  virtual std::string fieldText(SaveField field) const = 0;
  virtual void setFieldText(SaveField field, std::string_view utf8) = 0;
  virtual void setControlEnabled(SaveControl control, bool enabled) = 0;
  virtual bool controlEnabled(SaveControl control) const = 0;

  /// Shows or hides the vertical progress bar.
  virtual void showProgress(bool shown) = 0;
  virtual void setProgressMaximum(int maximum) = 0;
  virtual void setProgressValue(int value) = 0;

  virtual void setTitle(std::string_view text) = 0;
  /// Enables or disables the main window (it is disabled while a batch or estimate runs).
  virtual void setMainWindowEnabled(bool enabled) = 0;

  /// The list's current row (nothing when there is none).
  virtual std::optional<std::size_t> currentRow() const = 0;
  /// The highlighted rows, ascending.
  virtual std::vector<std::size_t> highlightedRows() const = 0;
  virtual void clearHighlights() = 0;
  /// Scrolls the list so that the row is visible.
  virtual void scrollToRow(std::size_t row) = 0;
  /// Fits the list and its file-name column to the window.
  virtual void fitList() = 0;
};

}  // namespace korvalis
