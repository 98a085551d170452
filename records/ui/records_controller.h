#pragma once

#include <QObject>
#include <QPoint>
#include <functional>
#include <memory>
#include <string_view>

#include "records/load_outcome.h"
#include "records/record_entry.h"

class QWidget;

namespace korvalis {

class Platform;
struct RecordSession;
class MainView;
class RecordTreeView;
class InfoWindow;
class SearchWindow;

/// The record subsystem's windows for the main window: the record tree (embedded by the main
/// window in its left column), the info window "Info" and the search-result window "Suchen".
/// It works on the record session's data and shows messages through the Platform.
/// User-interface thread only.
///
/// Wiring for the main window:
/// - put treeView() into the left column; call setMainView() once the main window exists;
/// - connect treeSelectionChanged() (click, change of selection, right click) to
///   refreshEntryInfo(), treeDoubleClicked() to LoadTreePage for currentEntry(), and
///   treeContextMenuRequested() to the leaf pop-up menu;
/// - MainView::refreshEntryInfo() / followIdAndPage() call the methods of the same name here;
/// - after a successful loadRecordFile(): afterLoad() (rebuild, hide info, refresh, expand
///   root, select the first entry); at start-up: buildTree(), expandRoot(), selectFirstEntry().
class RecordsController : public QObject {
  Q_OBJECT

 public:
  /// `mainWindow` owns the two windows (may be nullptr in tests); `help` opens the help (F1);
  /// the display scales size and place the two windows.
  RecordsController(RecordSession& session, Platform& platform, QWidget* mainWindow,
                    std::function<void()> help, float scaleX = 1.0F, float scaleY = 1.0F);
  ~RecordsController() override;
  RecordsController(const RecordsController&) = delete;
  RecordsController& operator=(const RecordsController&) = delete;

  /// The tree control; the caller puts it into its layout (it is parented to `mainWindow`).
  RecordTreeView* treeView() const;
  InfoWindow* infoWindow() const;
  SearchWindow* searchWindow() const;

  /// The main window's fields and view; nullptr until the main window exists.
  void setMainView(MainView* view);

  /// Runs the record-file dialog and loads the file (records/record_loader.h). Does not touch
  /// the tree; on Loaded call afterLoad(). EndProgram means the shell must end the program.
  /// A non-empty `firstCandidate` (the file named on the command line) is tried first, as if
  /// chosen in the dialog.
  LoadOutcome loadRecordFile(std::string_view firstCandidate = {});
  /// The steps after a successful load from the main window: rebuild the tree, hide the info
  /// window, refresh the entry information, expand the root, select the first entry.
  void afterLoad();

  /// Rebuilds the tree from the loaded entries; shows the messages for empty Info fields.
  void buildTree();
  /// Selects the first leaf and makes its entry current (nothing when there is no leaf).
  void selectFirstEntry();
  /// Expands the root item.
  void expandRoot();
  /// Collapses the whole tree.
  void collapseTree();
  /// Reveals tree item `item` (flat display position): collapse, expand ancestors, scroll,
  /// focus, select. Does nothing for a position out of range.
  void revealTreeItem(int item);

  /// Shows the selected item's information in the info window; for a leaf makes its entry
  /// current and copies APID, ID and first page into the main view's fields.
  void refreshEntryInfo();
  /// Selects the entry whose ID and page range hold the main view's ID and page fields;
  /// collapses the tree when there is none.
  void followIdAndPage();
  /// Searches the index for `text` (Windows-1252) and fills the search-result window; an
  /// empty text does nothing. The caller then shows the window (showSearchWindow()).
  void runSearch(std::string_view text);

  /// Places the info and search windows by the main window's frame (left, top) and tool-bar
  /// height: info at (left + 220 x scaleX + 20, top + toolBarHeight + 40), search right of it.
  void placeWindows(QPoint mainTopLeft, int toolBarHeight);
  /// Show the windows; a hidden one is first placed by the main window's current position.
  void showInfoWindow();
  void hideInfoWindow();
  void showSearchWindow();

  /// The entry of the tree's selected item when that item is a leaf, else kNoEntry.
  EntryId selectedLeafEntry() const;
  /// The current entry, or kNoEntry.
  EntryId currentEntry() const;

 signals:
  /// The tree was clicked, its selection changed, or it was right-clicked.
  void treeSelectionChanged();
  /// An item of the tree was double-clicked.
  void treeDoubleClicked();
  /// A leaf of the tree was right-clicked; `globalPos` is the mouse position on the screen.
  void treeContextMenuRequested(QPoint globalPos);

 private:
  void onSearchRowSelected(EntryId entry);
  void placeBeforeShowing(QWidget* window);

  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace korvalis
