// The main window's command handler: tool-bar commands, keyboard shortcuts, the navigation
// panel's buttons and the transfer engine's completion events. Work that belongs to other
// parts of the program is reached through four narrow interfaces (`CommandTargets`): the page
// requests, the page view, the other windows and the window's frame.
#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "app/app_state.h"
#include "app/nav/id_page_stepping.h"
#include "app/nav/toolbar_model.h"
#include "app/nav/zoom_rules.h"
#include "archive/event_codes.h"

class QMainWindow;
class QMenu;
class QShortcut;
class QWidget;

namespace korvalis {

class MainToolBar;
class MainView;
class NavigationPanel;
class Platform;

class OtherWindows;
class PageDisplay;
class PageRequests;
class WindowFrame;

/// Where the commands' work goes. Every command reaches one of these; none is optional.
struct CommandTargets {
  PageRequests& requests;
  PageDisplay& page;
  OtherWindows& windows;
  WindowFrame& frame;
};

class MainCommands : public QObject {
  Q_OBJECT

 public:
  MainCommands(AppState& state, Platform& platform, QMainWindow& window, MainView& view,
               MainToolBar& toolBar, NavigationPanel& panel, const CommandTargets& targets);
  ~MainCommands() override;

  void toolButton(nav::ToolButton id, bool pressed);
  void escape();
  void returnKey();
  void step(nav::StepKind kind);
  void showFromFields();  ///< "Anzeigen"
  void copy();
  /// "Quelle kopieren" (Ctrl+Shift+C): the citation of the shown archive page to the
  /// clipboard. Does nothing (its menu entry is disabled) while no such page is shown.
  void copyCitation();
  bool canCite() const;
  /// The page view's pop-up menu at `globalPos`.
  void showPageMenu(QPoint globalPos);
  void fillPageMenu(QMenu& menu);
  void paste();
  void toggleFullScreen();
  void scrollBy(int dx, int dy);
  void zoomIn();
  void zoomOut();
  void searchCommand();
  void completion(int code, std::uintptr_t job);
  /// The tree's pop-up menu entries. "Speichern..." does nothing while the save window
  /// does not exist (its entry is disabled).
  void popupSave();
  void popupInfo();
  /// Fills the tree's pop-up menu for a leaf: "Speichern..." (disabled without the save
  /// window) and "Zeige Info".
  void fillTreeMenu(QMenu& menu);
  /// Shows the tree's pop-up menu at `globalPos` (nothing in crop view).
  void showTreeMenu(QPoint globalPos);
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
  PageRequests& requests_;
  PageDisplay& page_;
  OtherWindows& windows_;
  WindowFrame& frame_;
  nav::ZoomControls zoom_;
  std::vector<QShortcut*> zoomShortcuts_;
  // Kept while the full-screen view is on.
  QRect normalGeometry_;
  bool wasMaximized_ = false;
  bool navigateWasPressed_ = false;
  // Crop view and the enabled state of the buttons it locked.
  bool cropView_ = false;
  std::vector<std::pair<nav::ToolButton, bool>> lockedButtons_;
};

}  // namespace korvalis
