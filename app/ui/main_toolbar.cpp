#include "app/ui/main_toolbar.h"

#include <QAction>
#include <QIcon>
#include <QSignalBlocker>

#include "app/ui/embedded_icon.h"

// The resources of a static library are registered by hand, from the global namespace.
static void initToolbarResources() {
  Q_INIT_RESOURCE(resources);
}

namespace korvalis {

namespace {
QString qs(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

MainToolBar::MainToolBar(QWidget* parent) : QToolBar(parent) {
  initToolbarResources();
  setObjectName(QStringLiteral("mainToolBar"));
  setMovable(false);
  setFloatable(false);
  setIconSize(QSize(24, 24));
  setToolButtonStyle(Qt::ToolButtonIconOnly);
  // Indent 12 and horizontal padding 12 around the buttons, no vertical padding.
  setStyleSheet(
      QStringLiteral("QToolBar { padding-left: 12px; spacing: 0px; }"
                     "QToolButton { padding: 0px 6px; }"));
  for (const auto& button : nav::toolButtons()) {
    if (button.separatorBefore) {
      addSeparator();
    }
    QAction* act = addAction(embeddedIcon(qs(button.icon)), qs(button.text));
    act->setToolTip(qs(nav::toolTip(button.id)));
    act->setCheckable(button.toggle);
    act->setChecked(button.startPressed);
    act->setEnabled(button.startEnabled);
    const nav::ToolButton id = button.id;
    connect(act, &QAction::triggered, this, [this, id](bool checked) {
      if (handler_) {
        handler_(id, checked);
      }
    });
    actions_.emplace(id, act);
    // Tab reaches the tool bar's buttons like every other control; Space presses the one
    // that has the focus.
    widgetForAction(act)->setFocusPolicy(Qt::TabFocus);
  }
}

QAction* MainToolBar::action(nav::ToolButton id) const {
  return actions_.at(id);
}

bool MainToolBar::isPressed(nav::ToolButton id) const {
  return action(id)->isChecked();
}

void MainToolBar::setPressed(nav::ToolButton id, bool pressed) {
  QAction* act = action(id);
  const QSignalBlocker block(act);
  if (nav::toolButton(id).toggle) {
    act->setChecked(pressed);
    return;
  }
  // "Ausschnitt" is a plain button that is only shown pressed during the crop view.
  if (pressed) {
    act->setCheckable(true);
    act->setChecked(true);
  } else {
    act->setChecked(false);
    act->setCheckable(false);
  }
}

void MainToolBar::setButtonEnabled(nav::ToolButton id, bool enabled) {
  action(id)->setEnabled(enabled && !unavailable_.contains(id));
}

void MainToolBar::setButtonAvailable(nav::ToolButton id, bool available) {
  if (available) {
    unavailable_.erase(id);
    return;
  }
  unavailable_.insert(id);
  action(id)->setEnabled(false);
}

bool MainToolBar::isButtonEnabled(nav::ToolButton id) const {
  return action(id)->isEnabled();
}

void MainToolBar::setPageToolsEnabled(bool enabled) {
  for (const auto& button : nav::toolButtons()) {
    if (nav::isPageTool(button.id)) {
      setButtonEnabled(button.id, enabled);
    }
  }
}

void MainToolBar::setCommandHandler(std::function<void(nav::ToolButton, bool)> handler) {
  handler_ = std::move(handler);
}

}  // namespace korvalis
