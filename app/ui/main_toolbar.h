// The main window's tool bar: the buttons in their order with icons and tooltips, toggle
// states, and the page-tool enabling rule.
#pragma once

#include <QToolBar>
#include <functional>
#include <map>

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
  void setButtonEnabled(nav::ToolButton id, bool enabled);
  bool isButtonEnabled(nav::ToolButton id) const;

  /// Enables or disables the seven page tools together (shown page or not).
  void setPageToolsEnabled(bool enabled);

  /// Called with the button and, for toggles, its new state when the user presses a button.
  void setCommandHandler(std::function<void(nav::ToolButton, bool)> handler);

 private:
  std::map<nav::ToolButton, QAction*> actions_;
  std::function<void(nav::ToolButton, bool)> handler_;
};

}  // namespace korvalis
