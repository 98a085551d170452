// The main window's tool bar: the buttons in their order with icons and tooltips, toggle
// states, and the page-tool enabling rule.
#pragma once

#include <QToolBar>
#include <functional>
#include <map>
#include <set>

#include "app/nav/toolbar_model.h"

class QAction;

namespace korvalis {

class MainToolBar : public QToolBar {
  Q_OBJECT

 public:
  explicit MainToolBar(QWidget* parent = nullptr);

  QAction* action(nav::ToolButton id) const;

  bool isPressed(nav::ToolButton id) const;
  /// Sets a toggle's state without running its command.
  void setPressed(nav::ToolButton id, bool pressed);
  /// Enables or disables a button; a button that is not available stays disabled.
  void setButtonEnabled(nav::ToolButton id, bool enabled);
  bool isButtonEnabled(nav::ToolButton id) const;
  /// A button whose command has nothing to run (its window does not exist) is not available:
  /// disabled whatever the enabling rules say. Making it available again leaves it disabled
  /// until it is enabled.
  void setButtonAvailable(nav::ToolButton id, bool available);

  /// Enables or disables the seven page tools together (shown page or not).
  void setPageToolsEnabled(bool enabled);

  /// Called with the button and, for toggles, its new state when the user presses a button.
  void setCommandHandler(std::function<void(nav::ToolButton, bool)> handler);

 private:
  std::map<nav::ToolButton, QAction*> actions_;
  std::function<void(nav::ToolButton, bool)> handler_;
  std::set<nav::ToolButton> unavailable_;
};

}  // namespace korvalis
