#pragma once

namespace korvalis {

/// The main window's frame as its commands change it: the left column's tree and navigation
/// panel, the connection monitor's button, and the record file. The program implements it
/// on the main window; the command tests on stand-in widgets. User-interface thread only.
class WindowFrame {
 public:
  virtual ~WindowFrame() = default;

  virtual void setTreeShown(bool shown) = 0;
  virtual void setNavigationShown(bool shown) = 0;
  /// The connection monitor's button, hidden while the page fills the screen.
  virtual void setMonitorButtonShown(bool shown) = 0;
  virtual bool treeHasFocus() const = 0;
  /// "Datendatei laden".
  virtual void loadRecordFile() = 0;
};

}  // namespace korvalis
