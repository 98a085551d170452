// The program put together: the main window with its tool bar, navigation panel and page view,
// the record windows, the transfer engine, the connection monitor and the commands that tie
// them. main() builds it with the desktop platform; the window tests and the screenshot tool
// build the same with their own platform.
#pragma once

#include <memory>
#include <string_view>

class QPushButton;
class QWidget;

namespace korvalis {

struct AppState;
class ConnectionMonitor;
class MainCommands;
class MainToolBar;
class MainWindow;
class NavigationPanel;
class PageView;
class Platform;
class RecordsController;
class TransferEngine;

class Program {
 public:
  /// Builds every part, the main window hidden. `state` holds the start values
  /// (initialiseAppState(), the program folder); the display scale is taken from `platform`
  /// here. Both must outlive the program.
  Program(AppState& state, Platform& platform);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  /// The start-up: asks for the record file with the start-up notice up, builds the tree and
  /// selects its first entry, closes the notice, then shows the main window (fitted to the
  /// screen) with the About page. False when the program must end (no record file); the
  /// window has not been shown then. A non-empty `recordFile` (named on the command line,
  /// UTF-8) is loaded instead of asking; when it is no valid record file the user is asked as
  /// for one chosen in the dialog.
  bool start(std::string_view recordFile = {});
  /// "Datendatei laden" from the main window: the notice in its loading form while the file
  /// loads; the tree is rebuilt, or the window closes when the program must end.
  void loadRecordFile();

  AppState& state();
  MainWindow& mainWindow();
  MainToolBar& toolBar();
  NavigationPanel& navigationPanel();
  PageView& pageView();
  RecordsController& records();
  MainCommands& commands();
  TransferEngine& engine();
  ConnectionMonitor& monitor();
  /// The start-up notice while it is up, else nullptr.
  const QWidget* startupNotice() const;
  /// The connection monitor's button at the window's inner top-right corner.
  QPushButton& monitorButton();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace korvalis
