// Puts the main window's working parts together: tool bar, navigation panel, page view, the
// transfer engine and the command handler, and connects them with the record windows.
#pragma once

#include <memory>

class QWidget;

namespace korvalis {

struct AppState;
class MainWindow;
class Platform;
class RecordsController;

class MainAssembly {
 public:
  MainAssembly(AppState& state, Platform& platform, MainWindow& window, RecordsController& records);
  ~MainAssembly();
  MainAssembly(const MainAssembly&) = delete;
  MainAssembly& operator=(const MainAssembly&) = delete;

  /// The connection monitor's button, hidden while the page fills the screen.
  void setMonitorButton(QWidget* button);

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace korvalis
