#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "batch/save_window_commands.h"
#include "batch/save_window_view.h"

class QGroupBox;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTableView;
class QTextEdit;

namespace korvalis {

class QtEventTarget;
class SaveListModel;

/// The save window " Speichern...": the frame "DL-Link erstellen" (ID and page range, links to
/// the clipboard or a file), the frame "Dateien speichern" (target folder, file-name pattern,
/// "DL Start" / "DL Stop"), a vertical progress bar, and the list of rows with check boxes and
/// its pop-up menu. The behaviour is in SaveWindowCommands; this class is its view.
///
/// For the main window: openForEntry() (the tree's "Speichern..."), setShown() (the tool-bar
/// toggle), setMainWindowControl() (enables / disables the main window), setToggleHandler()
/// (told when the window shows itself pressed or closes itself with its close box).
class SaveWindow : public QWidget, public SaveWindowView {
  Q_OBJECT

 public:
  /// Builds the window hidden, owned by `parent` (the main window), placed at its lower right.
  /// `help` opens the program help (F1).
  SaveWindow(Platform& platform, TransferEngine& engine, SaveWindowSettings settings,
             std::function<void()> help, QWidget* parent = nullptr);
  ~SaveWindow() override;

  /// The tree's "Speichern...": resets the window, fills the ID and page fields from the entry
  /// (`pages` as "first-last"), shows it, reports the toggle pressed and disables the main
  /// window. While a run or an estimate goes on, fields and list stay as they are: the window
  /// only comes back with the running list and "DL Stop".
  void openForEntry(std::string_view id, std::string_view pages);
  /// The message when the tree's "Speichern..." finds no entry (the window stays hidden).
  void reportMissingEntry();
  /// The tool-bar toggle: pressed shows the window as it was and disables the main window;
  /// released hides it and enables the main window.
  void setShown(bool pressed);
  /// Who enables and disables the main window.
  void setMainWindowControl(std::function<void(bool enabled)> control) {
    mainWindowControl_ = std::move(control);
  }
  /// Told the toggle's new state when the window changes it itself (pressed by openForEntry,
  /// released by the close box).
  void setToggleHandler(std::function<void(bool pressed)> handler) {
    toggleHandler_ = std::move(handler);
  }

  SaveWindowCommands& commands() { return *commands_; }
  /// The program's page cache for the batch download (null: none); it must outlive the
  /// window. Takes effect from the next run on.
  void setPageCache(PageCache* cache) { commands_->setPageCache(cache); }
  /// The target folder of batch saving (UTF-8, ends with "/").
  const std::string& pageSaveDir() const { return commands_->pageSaveDir(); }
  /// The list control (tests, benchmarks).
  QTableView* listView() const { return list_; }

  // SaveWindowView
  std::string fieldText(SaveField field) const override;
  void setFieldText(SaveField field, std::string_view utf8) override;
  void setControlEnabled(SaveControl control, bool enabled) override;
  bool controlEnabled(SaveControl control) const override;
  void showProgress(bool shown) override;
  void setProgressMaximum(int maximum) override;
  void setProgressValue(int value) override;
  void setTitle(std::string_view text) override;
  void setMainWindowEnabled(bool enabled) override;
  std::optional<std::size_t> currentRow() const override;
  std::vector<std::size_t> highlightedRows() const override;
  void clearHighlights() override;
  void scrollToRow(std::size_t row) override;
  void fitList() override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildLinkFrame();
  void buildSaveFrame();
  void buildList();
  void buildMenu();
  void placeBesideParent();
  /// Moves the window inside the available area of the main window's screen.
  void keepOnScreen();
  int scaledX(int base) const;
  QLineEdit* field(SaveField field) const;

  std::shared_ptr<QtEventTarget> eventTarget_;
  std::unique_ptr<SaveWindowCommands> commands_;
  SaveListModel* model_ = nullptr;
  std::function<void()> help_;
  std::function<void(bool)> mainWindowControl_;
  std::function<void(bool)> toggleHandler_;
  float scaleX_ = 1.0F;
  float scaleY_ = 1.0F;

  QGroupBox* linkFrame_ = nullptr;
  QGroupBox* saveFrame_ = nullptr;
  QLineEdit* idField_ = nullptr;
  QLineEdit* fromField_ = nullptr;
  QLineEdit* toField_ = nullptr;
  QLineEdit* folderField_ = nullptr;
  QLineEdit* patternField_ = nullptr;
  QTextEdit* explanation_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QTableView* list_ = nullptr;
  QMenu* menu_ = nullptr;
  std::map<SaveControl, QWidget*> controls_;
};

}  // namespace korvalis
