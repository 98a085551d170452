// Puts the main window's working parts together: tool bar, navigation panel, page view, the
// transfer engine and the command handler, and connects them with the record windows.
#pragma once

#include <memory>

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

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace korvalis
