// The main window's command handler: tool-bar commands, keyboard shortcuts, the navigation
// panel's buttons and the transfer engine's completion events. Work that belongs to other
// parts of the program (loading pages, look-ups, showing and rotating the page, saving,
// printing, searching) is reached through `CommandHooks`, set by whoever assembles the window.
#pragma once

#include <QObject>
#include <QRect>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/app_state.h"
#include "app/nav/id_page_stepping.h"
#include "app/nav/toolbar_model.h"
#include "app/nav/zoom_rules.h"
#include "archive/event_codes.h"
#include "platform/image.h"

class QMainWindow;
class QShortcut;
class QScrollArea;
class QWidget;

namespace korvalis {

class MainToolBar;
class MainView;
class NavigationPanel;
class Platform;

struct CommandHooks {
  // Requests (archive)
  std::function<void()> loadPage;      ///< page of the ID and page fields
  std::function<void()> loadTreePage;  ///< page of the tree's selected entry
  /// Start a look-up; return false when it stopped because a field was empty.
  std::function<bool(int code)> startIdLookup;
  std::function<bool(int code)> startApidLookup;
  std::function<void(int code, std::uintptr_t job)> handleLookupAnswer;
  /// The page answer; returns true when a page was decoded and is now the page image.
  std::function<bool(std::uintptr_t job)> handlePageAnswer;
  std::function<bool(std::uintptr_t job)> isRunning;
  std::function<void(std::uintptr_t job)> abortAndFree;  ///< abort, then free with its data
  std::function<void(std::uintptr_t job)> freeJob;
  // Page view
  std::function<void()> showPageImage;
  std::function<void(int angle)> rotatePage;
  std::function<void()> openDocument;
  std::function<bool()> hasPageImage;
  std::function<Image()> pageImage;
  /// The image that saving, printing and copying use (the cut-out in crop view).
  std::function<Image()> viewImage;
  std::function<void(Image)>
      setPageImage;  ///< a pasted image becomes the page image (not shown yet)
  std::function<int()> displayWidth;
  std::function<int()> pageWidth;
  std::function<void(bool handCursor)> setPageCursor;
  std::function<QScrollArea*()> pageArea;
  std::function<void()> openPostProcessing;
  /// Leaves the crop view: the fitted page is shown again.
  std::function<void()> endCropView;
  // Other windows
  std::function<void()> savePage;
  std::function<void(bool cropped)> print;
  std::function<void(bool shown)> toggleSaveWindow;
  std::function<bool()> openSaveWindowForSelection;  ///< true when the save window opened
  std::function<void()> showEntryInfo;
  std::function<void(const std::string& text)> search;
  std::function<void()> showSearchResults;
  std::function<void()> help;
  std::function<void()> loadRecordFile;
  std::function<void(bool shown)> setTreeShown;
  std::function<void(bool shown)> setNavigationShown;
  std::function<void(bool shown)> setMonitorButtonShown;
  std::function<bool()> treeHasFocus;
  std::function<bool()> pageViewHasFocus;
};

class MainCommands : public QObject {
  Q_OBJECT

 public:
  MainCommands(AppState& state, Platform& platform, QMainWindow& window, MainView& view,
               MainToolBar& toolBar, NavigationPanel& panel, CommandHooks hooks);
  ~MainCommands() override;

  void toolButton(nav::ToolButton id, bool pressed);
  void escape();
  void returnKey();
  void step(nav::StepKind kind);
  void showFromFields();  ///< "Anzeigen"
  void copy();
  void paste();
  void toggleFullScreen();
  void scrollBy(int dx, int dy);
  void zoomIn();
  void zoomOut();
  void searchCommand();
  void completion(int code, std::uintptr_t job);
  /// The tree's pop-up menu entries.
  void popupSave();
  void popupInfo();
  /// The crop interaction of the page view: a selection began, and it ended (accepted: the
  /// cut-out is shown and the window is in crop view).
  void cropStarted();
  void cropFinished(bool accepted);
  /// Crop view: only saving, printing, scrolling, copy, paste of an image, help and the
  /// full-screen toggle work; "Ausschnitt" or Esc ends it.
  bool inCropView() const { return cropView_; }
  /// A page was opened from a file: both zoom toggles are released.
  void pageOpened();

  const nav::ZoomControls& zoomControls() const { return zoom_; }
  bool zoomKeysActive() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void installShortcuts();
  void addShortcut(const QKeySequence& keys, std::function<void()> run,
                   std::vector<QShortcut*>* group = nullptr);
  void mirrorZoomControls();
  void show() const;
  void endCropView();
  QWidget* focusedTextField() const;

  AppState& state_;
  Platform& platform_;
  QMainWindow& window_;
  MainView& view_;
  MainToolBar& toolBar_;
  NavigationPanel& panel_;
  CommandHooks hooks_;
  nav::ZoomControls zoom_;
  std::vector<QShortcut*> zoomShortcuts_;
  // Kept while the full-screen view is on.
  QRect normalGeometry_;
  bool navigateWasPressed_ = false;
  // Crop view and the enabled state of the buttons it locked.
  bool cropView_ = false;
  std::vector<std::pair<nav::ToolButton, bool>> lockedButtons_;
};

}  // namespace korvalis
