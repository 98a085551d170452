// The monkey's user actions: each says when a user could do it and does it on the real widgets
// (clicks, keys, typed text), returning what it did for the log.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/monkey/monkey_context.h"

class QAbstractButton;
class QLineEdit;
class QWidget;

namespace korvalis {
class PostProcessWindow;
class SaveWindow;
}  // namespace korvalis

namespace korvalis::monkey {

struct UserAction {
  std::string_view name;
  int weight = 1;
  std::function<bool(MonkeyContext&)> possible;
  std::function<std::string(MonkeyContext&)> run;
};

/// The main window's: tree, navigation fields and buttons, Esc, tool-bar commands.
std::vector<UserAction> mainWindowActions();
/// The save window's, while it is shown.
std::vector<UserAction> saveWindowActions();
/// The post-processing window's, while it is shown.
std::vector<UserAction> postProcessActions();

// Finding and pressing the program's widgets.
SaveWindow* saveWindowOf(MonkeyContext& context);
PostProcessWindow* shownPostProcessWindow();
/// Types `text` into `field` as keys (characters without a key of their own as input).
void typeText(QLineEdit* field, const QString& text);
/// A mouse click on `button` when it is shown and enabled; false otherwise.
bool click(QAbstractButton* button);
/// Checks the pages saved by "Seite speichern" (a PDF once its export window has closed, or
/// with `all` at the end); logs faults.
void checkFinishedSaves(MonkeyContext& context, bool all);

}  // namespace korvalis::monkey
