// The main window's actions: what a user does with the tree, the navigation panel, the keys
// and the tool bar.
#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "app/app_state.h"
#include "app/ui/main_commands.h"
#include "app/ui/main_toolbar.h"
#include "app/ui/main_window.h"
#include "app/ui/navigation_panel.h"
#include "app/ui/program.h"
#include "platform/scripted/scripted_platform.h"
#include "records/ui/record_tree_view.h"
#include "records/ui/records_controller.h"
#include "tools/monkey/action_log.h"
#include "tools/monkey/dialog_answerer.h"
#include "tools/monkey/user_actions.h"
#include "viewer/ui/page_view.h"

namespace korvalis::monkey {

namespace {

using nav::ToolButton;

bool mainWindowUsable(MonkeyContext& c) {
  MainWindow& window = c.program.mainWindow();
  return window.isVisible() && window.isEnabled() && window.centralWidget()->isEnabled() &&
         c.program.toolBar().isEnabled();
}

QToolButton* toolWidget(MonkeyContext& c, ToolButton id) {
  MainToolBar& bar = c.program.toolBar();
  return qobject_cast<QToolButton*>(bar.widgetForAction(bar.action(id)));
}

bool toolUsable(MonkeyContext& c, ToolButton id) {
  return mainWindowUsable(c) && c.program.toolBar().isButtonEnabled(id);
}

// The tool-bar button as the mouse clicks it.
std::string clickTool(MonkeyContext& c, ToolButton id, std::string_view name) {
  if (!click(toolWidget(c, id))) {
    return std::string(name) + " (not clickable)";
  }
  return std::string(name);
}

/// Every index of the tree's model, parents before children.
std::vector<QModelIndex> treeIndexes(const QAbstractItemModel& model) {
  std::vector<QModelIndex> all;
  std::vector<QModelIndex> pending{QModelIndex()};
  while (!pending.empty()) {
    const QModelIndex parent = pending.back();
    pending.pop_back();
    for (int row = 0; row < model.rowCount(parent); ++row) {
      const QModelIndex index = model.index(row, 0, parent);
      all.push_back(index);
      pending.push_back(index);
    }
  }
  return all;
}

// A random item of the tree, scrolled into view (its parents opened); its centre.
std::optional<QPoint> pickTreeItem(MonkeyContext& c, std::string& what) {
  RecordTreeView* tree = c.program.records().treeView();
  const std::vector<QModelIndex> all = treeIndexes(*tree->model());
  if (all.empty()) {
    return std::nullopt;
  }
  const QModelIndex index = all[static_cast<std::size_t>(c.uniform(0, int(all.size()) - 1))];
  tree->scrollTo(index);
  const QRect rect = tree->visualRect(index);
  if (!rect.isValid()) {
    return std::nullopt;
  }
  what = QStringLiteral("\"%1\"").arg(index.data().toString()).toStdString();
  return rect.center();
}

std::string treeClick(MonkeyContext& c) {
  RecordTreeView* tree = c.program.records().treeView();
  std::string what;
  const std::optional<QPoint> at = pickTreeItem(c, what);
  if (!at) {
    return "tree click (no item shown)";
  }
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, *at);
  if (c.chance(60)) {
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, *at);
    return "tree double click on " + what;
  }
  return "tree click on " + what;
}

// The tree's pop-up "Speichern..." on a clicked item (the menu as the right click fills it).
std::string treeSaveEntry(MonkeyContext& c) {
  RecordTreeView* tree = c.program.records().treeView();
  std::string what;
  const std::optional<QPoint> at = pickTreeItem(c, what);
  if (!at) {
    return "tree \"Speichern...\" (no item shown)";
  }
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, *at);
  QMenu menu;
  c.program.commands().fillTreeMenu(menu);
  QAction* save = menu.actions().value(0);
  if (save == nullptr || !save->isEnabled()) {
    return "tree \"Speichern...\" on " + what + " (disabled)";
  }
  save->trigger();
  return "tree \"Speichern...\" on " + what;
}

std::string randomPage(MonkeyContext& c, const CatalogueFilm& film) {
  const int page = c.uniform(std::max(0, film.firstPage - 2), film.lastPage + 2);
  return c.chance(50) ? std::to_string(page)
                      : QString::number(page).rightJustified(5, '0').toStdString();
}

// Types into the ID, page or APID field (sometimes nonsense) and presses Return there.
std::string fieldWithReturn(MonkeyContext& c) {
  NavigationPanel& panel = c.program.navigationPanel();
  const CatalogueFilm& film =
      c.films[static_cast<std::size_t>(c.uniform(0, int(c.films.size()) - 1))];
  QLineEdit* field = nullptr;
  const char* name = "";
  std::string text;
  switch (c.uniform(0, 2)) {
    case 0:
      field = panel.idField();
      name = "ID";
      text = c.chance(90) ? (c.chance(50) ? film.id : film.id.substr(2)) : "12x";
      break;
    case 1:
      field = panel.pageField();
      name = "page";
      text = c.chance(95) ? randomPage(c, film) : "";
      break;
    default: {
      field = panel.apidField();
      name = "APID";
      std::string apid = film.firstApid;
      const std::string page =
          QString::fromStdString(randomPage(c, film)).rightJustified(5, '0').toStdString();
      apid.replace(apid.size() - 5, 5, page);
      text = c.chance(90) ? apid : "TH-kaputt";
    }
  }
  field->setFocus();
  field->selectAll();
  typeText(field, QString::fromStdString(text));
  if (text.empty()) {
    field->clear();
  }
  QTest::keyClick(field, Qt::Key_Return);
  return std::string(name) + " field \"" + text + "\" + Return";
}

std::string stepButton(MonkeyContext& c) {
  NavigationPanel& panel = c.program.navigationPanel();
  QPushButton* const buttons[] = {panel.previousPageButton(), panel.nextPageButton(),
                                  panel.previousIdButton(), panel.nextIdButton()};
  const char* names[] = {"page <<", "page >>", "ID <<", "ID >>"};
  // Mostly pages.
  const int which = c.chance(85) ? c.uniform(0, 1) : c.uniform(2, 3);
  click(buttons[which]);
  return names[which];
}

std::string escape(MonkeyContext& c) {
  QWidget* focus = QApplication::focusWidget();
  QTest::keyClick(focus != nullptr ? focus : &c.program.mainWindow(), Qt::Key_Escape);
  return "Esc";
}

std::string showButton(MonkeyContext& c) {
  click(c.program.navigationPanel().showButton());
  return "\"Anzeigen\"";
}

/// The page as the user sees it now.
ShownPage shownPageNow(MonkeyContext& c) {
  ShownPage shown;
  if (c.state.view.pageBytes) {
    shown.keptBytes =
        std::vector<std::uint8_t>(c.state.view.pageBytes->begin(), c.state.view.pageBytes->end());
  }
  shown.pageImage = c.program.pageView().pageImage();
  shown.displayImage = c.program.pageView().displayImage();
  shown.zoomOrCrop = c.program.toolBar().isPressed(ToolButton::Zoom) ||
                     c.program.toolBar().isPressed(ToolButton::Crop);
  return shown;
}

// "Seite speichern" in one of the four formats; the file is checked once written.
std::string savePage(MonkeyContext& c) {
  static const char* const extensions[] = {"bmp", "jpg", "png", "pdf"};
  // JPEG most often: the kept download is written as it came, byte for byte comparable.
  const int filters[] = {0, 1, 1, 1, 2, 3};
  const int filter = filters[c.uniform(0, 5)];
  ExpectedSave save;
  save.format = static_cast<SavedFormat>(filter);
  save.path = c.outFolder / ("seite-" + std::to_string(++c.saveCount) + "." + extensions[filter]);
  save.shown = shownPageNow(c);
  c.answers.setNextSaveAnswer(SaveDialogAnswer{save.path.string(), filter});
  c.answers.resetSettingsPick();
  const std::string done =
      clickTool(c, ToolButton::SavePage, "\"Seite speichern\"") + " as " + extensions[filter] +
      " (shown " +
      (save.shown.keptBytes ? pageIdentity(*save.shown.keptBytes) : std::string("no download")) +
      ")";
  save.settingsPick = c.answers.settingsPick();
  c.pendingSaves.push_back(std::move(save));
  return done;
}

// The next or previous page, and "Seite speichern" at once, before the page has come: the save
// dialog is open while the page arrives behind it.
std::string stepThenSave(MonkeyContext& c) {
  NavigationPanel& panel = c.program.navigationPanel();
  const bool next = c.chance(70);
  click(next ? panel.nextPageButton() : panel.previousPageButton());
  std::string done = next ? "page >>, then " : "page <<, then ";
  if (!toolUsable(c, ToolButton::SavePage)) {
    return done + "\"Seite speichern\" disabled";
  }
  return done + savePage(c);
}

// The next page, and "Grafiknachbearbeitung" at once, while the page's look-ups still run.
std::string stepThenPostProcess(MonkeyContext& c) {
  click(c.program.navigationPanel().nextPageButton());
  if (!toolUsable(c, ToolButton::PostProcess)) {
    return "page >>, then \"Grafiknachbearbeitung\" disabled";
  }
  return "page >>, then " + clickTool(c, ToolButton::PostProcess, "\"Grafiknachbearbeitung\"");
}

// A drag on the page: the crop view's selection.
std::string cropDrag(MonkeyContext& c) {
  QWidget* canvas = c.program.pageView().widget();
  const QPoint from(c.uniform(0, 300), c.uniform(0, 300));
  const QPoint to(c.uniform(0, 300), c.uniform(0, 300));
  QTest::mousePress(canvas, Qt::LeftButton, {}, from);
  QMouseEvent move(QEvent::MouseMove, QPointF(to), canvas->mapToGlobal(QPointF(to)), Qt::NoButton,
                   Qt::LeftButton, {});
  QApplication::sendEvent(canvas, &move);
  QTest::mouseRelease(canvas, Qt::LeftButton, {}, to);
  return "drag on the page";
}

// "Quelle kopieren" by its key (Ctrl+Shift+C). With the menu entry enabled the clipboard must
// then cite the shown page (film and page of its identity); disabled, it must stay as it was.
std::string copyCitation(MonkeyContext& c) {
  QMenu menu;
  c.program.commands().fillPageMenu(menu);
  const bool enabled = menu.actions().value(0) != nullptr && menu.actions().value(0)->isEnabled();
  c.platform.setClipboardText("-");
  // The key goes to the main window as the user's keys do: it is the active window first (a
  // window of the program shown before may have taken that).
  MainWindow& window = c.program.mainWindow();
  window.activateWindow();
  QApplication::setActiveWindow(&window);
  QTest::keyClick(&window, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  const std::string copied = c.platform.clipboardText();
  const PageIdentity& shown = c.state.view.pageIdentity;
  if (!enabled) {
    if (copied != "-") {
      c.log.fault("\"Quelle kopieren\" disabled, yet the clipboard changed");
    }
    return "\"Quelle kopieren\" (disabled)";
  }
  if (copied.find("Film-ID: " + shown.id + "\nSeite: " + shown.page + "\n") == std::string::npos) {
    c.log.fault("the citation does not name the shown page " + shown.id + ":" + shown.page + ": " +
                copied.substr(0, 200));
  }
  return "\"Quelle kopieren\" of " + shown.id + ":" + shown.page;
}

// Turning changes the page's pixels: its image no longer equals its download.
UserAction turnAction(std::string_view name, ToolButton id) {
  return {name, 1, [id](MonkeyContext& c) { return toolUsable(c, id); },
          [id, name](MonkeyContext& c) {
            c.pages.pageEdited(c);
            return clickTool(c, id, name);
          }};
}

UserAction toolAction(std::string_view name, int weight, ToolButton id) {
  return {name, weight, [id](MonkeyContext& c) { return toolUsable(c, id); },
          [id, name](MonkeyContext& c) { return clickTool(c, id, name); }};
}

}  // namespace

std::vector<UserAction> mainWindowActions() {
  const auto usable = [](MonkeyContext& c) { return mainWindowUsable(c); };
  return {
      {"tree click", 8, usable, treeClick},
      {"field + Return", 8, usable, fieldWithReturn},
      {"<< / >>", 10, usable, stepButton},
      {"Esc", 4, usable, escape},
      {"Anzeigen", 5, usable, showButton},
      {"Seite speichern", 8, [](MonkeyContext& c) { return toolUsable(c, ToolButton::SavePage); },
       savePage},
      {"page step + Seite speichern", 4,
       [](MonkeyContext& c) { return toolUsable(c, ToolButton::SavePage); }, stepThenSave},
      toolAction("\"Grafiknachbearbeitung\"", 3, ToolButton::PostProcess),
      {"page step + Grafiknachbearbeitung", 2,
       [](MonkeyContext& c) { return toolUsable(c, ToolButton::PostProcess); },
       stepThenPostProcess},
      toolAction("\"Drucken\"", 3, ToolButton::Print),
      toolAction("save window toggle", 3, ToolButton::SaveWindow),
      {"tree Speichern...", 4, usable, treeSaveEntry},
      {"\"Quelle kopieren\"", 2, usable, copyCitation},
      toolAction("\"Datendatei laden\"", 1, ToolButton::LoadRecordFile),
      toolAction("\"Seite zeigen\"", 1, ToolButton::ShowPage),
      toolAction("\"Zoom\"", 2, ToolButton::Zoom),
      turnAction("turn right", ToolButton::RotateRight),
      turnAction("turn left", ToolButton::RotateLeft),
      toolAction("\"Ausschnitt\"", 1, ToolButton::Crop),
      {"drag on page", 1,
       [](MonkeyContext& c) {
         return mainWindowUsable(c) && c.program.pageView().isVisible() &&
                c.program.pageView().hasPageImage();
       },
       cropDrag},
  };
}

}  // namespace korvalis::monkey
