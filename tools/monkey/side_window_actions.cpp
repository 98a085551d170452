// The actions in the windows beside the main window: the save window (batch downloads) and
// the post-processing window; and the widget helpers the actions share.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include "app/ui/main_window.h"
#include "app/ui/program.h"
#include "batch/ui/save_window.h"
#include "tools/monkey/action_log.h"
#include "tools/monkey/dialog_answerer.h"
#include "tools/monkey/user_actions.h"
#include "viewer/ui/post_process_window.h"

namespace korvalis::monkey {

namespace {

bool saveWindowShown(MonkeyContext& c) {
  const SaveWindow* save = saveWindowOf(c);
  return save != nullptr && save->isVisible() && save->isEnabled();
}

std::string saveButton(MonkeyContext& c, const char* name, std::string_view text) {
  auto* button = saveWindowOf(c)->findChild<QAbstractButton*>(QString::fromLatin1(name));
  return std::string(text) + (click(button) ? "" : " (not clickable)");
}

std::string saveAction(MonkeyContext& c, const char* name, std::string_view text) {
  auto* action = saveWindowOf(c)->findChild<QAction*>(QString::fromLatin1(name));
  if (action == nullptr || !action->isEnabled()) {
    return std::string(text) + " (disabled)";
  }
  action->trigger();
  return std::string(text);
}

std::string typeInto(MonkeyContext& c, const char* name, const QString& text) {
  auto* field = saveWindowOf(c)->findChild<QLineEdit*>(QString::fromLatin1(name));
  if (field == nullptr || !field->isEnabled()) {
    return std::string(name) + " (disabled)";
  }
  field->setFocus();
  field->selectAll();
  typeText(field, text);
  return std::string(name) + " \"" + text.toStdString() + "\"";
}

// A short range of pages in the save window's fields: small runs that finish within a while.
std::string pageRange(MonkeyContext& c) {
  auto* from = saveWindowOf(c)->findChild<QLineEdit*>(QStringLiteral("fromField"));
  const int first = from != nullptr ? from->text().toInt() : 1;
  return typeInto(c, "toField", QString::number(first + c.uniform(0, 5)));
}

std::string pattern(MonkeyContext& c) {
  const QString patterns[] = {QStringLiteral("KB_K\u00f6slin_[3]"), QStringLiteral("Seite_[4]"),
                              QStringLiteral("x[2]")};
  return typeInto(c, "patternField", patterns[c.uniform(0, 2)]);
}

// Links for a few pages, all checked, the folder and the names: what a user does before
// "DL Start".
std::string prepareRun(MonkeyContext& c) {
  std::string done;
  auto* id = saveWindowOf(c)->findChild<QLineEdit*>(QStringLiteral("idField"));
  if (id != nullptr && id->text().isEmpty()) {
    const CatalogueFilm& film =
        c.films[static_cast<std::size_t>(c.uniform(0, int(c.films.size()) - 1))];
    done += typeInto(c, "idField", QString::fromStdString(film.id)) + ", ";
    done +=
        typeInto(c, "fromField", QString::number(c.uniform(film.firstPage, film.lastPage))) + ", ";
  }
  done += pageRange(c);
  done += ", " + saveButton(c, "createLinks", "\"Links erstellen\"");
  done += ", " + saveAction(c, "checkAll", "\"Alle auswaehlen\"");
  done += ", " + saveButton(c, "chooseFolder", "folder");
  done += ", " + pattern(c);
  done += ", " + saveButton(c, "assignNames", "\"Dateinamen uebernehmen\"");
  return "save window: " + done;
}

std::string closeBox(MonkeyContext& c) {
  saveWindowOf(c)->close();
  return "save window close box";
}

UserAction saveButtonAction(std::string_view label, int weight, const char* name) {
  const auto enabled = [name](MonkeyContext& c) {
    if (!saveWindowShown(c)) {
      return false;
    }
    auto* button = saveWindowOf(c)->findChild<QAbstractButton*>(QString::fromLatin1(name));
    return button != nullptr && button->isEnabled();
  };
  return {label, weight, enabled,
          [label, name](MonkeyContext& c) { return saveButton(c, name, label); }};
}

UserAction saveMenuAction(std::string_view label, int weight, const char* name) {
  return {label, weight, saveWindowShown,
          [label, name](MonkeyContext& c) { return saveAction(c, name, label); }};
}

// Post-processing.
bool postProcessShown(MonkeyContext& /*c*/) {
  return shownPostProcessWindow() != nullptr;
}

std::string pickFunction(MonkeyContext& c) {
  QComboBox* list = shownPostProcessWindow()->functionList();
  const int index = c.uniform(0, list->count() - 1);
  list->setCurrentIndex(index);
  return "post-processing function " + std::to_string(index);
}

std::string moveSlider(MonkeyContext& c) {
  QSlider* slider = shownPostProcessWindow()->slider();
  if (!slider->isVisible()) {
    return "post-processing slider (hidden)";
  }
  const int value = c.uniform(slider->minimum(), slider->maximum());
  slider->setValue(value);
  return "post-processing slider " + std::to_string(value);
}

// `edits`: the button changes the page's pixels.
UserAction postButton(std::string_view label, int weight,
                      QToolButton* (PostProcessWindow::*button)() const, bool edits = false) {
  return {label, weight, postProcessShown, [label, button, edits](MonkeyContext& c) {
            if (edits) {
              c.pages.pageEdited(c);
            }
            return std::string(label) +
                   (click((shownPostProcessWindow()->*button)()) ? "" : " (not clickable)");
          }};
}

}  // namespace

SaveWindow* saveWindowOf(MonkeyContext& context) {
  return context.program.mainWindow().findChild<SaveWindow*>(QStringLiteral("saveWindow"));
}

PostProcessWindow* shownPostProcessWindow() {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (auto* window = qobject_cast<PostProcessWindow*>(top); window && window->isVisible()) {
      return window;
    }
  }
  return nullptr;
}

void typeText(QLineEdit* field, const QString& text) {
  for (const QChar ch : text) {
    if (ch.unicode() < 0x80) {
      QTest::keyClick(field, ch.toLatin1());
    } else {
      field->insert(QString(ch));
    }
  }
}

bool click(QAbstractButton* button) {
  if (button == nullptr || !button->isVisible() || !button->isEnabled()) {
    return false;
  }
  QTest::mouseClick(button, Qt::LeftButton);
  return true;
}

void checkFinishedSaves(MonkeyContext& context, bool all) {
  const bool exportMayRun = !all && context.answers.modalOpen();
  std::vector<ExpectedSave> waiting;
  for (ExpectedSave& save : context.pendingSaves) {
    if (save.format == SavedFormat::Pdf && exportMayRun) {
      waiting.push_back(std::move(save));
    } else if (const auto wrong = checkSavedPage(save)) {
      context.log.fault(*wrong);
    } else if (std::filesystem::exists(save.path)) {
      context.answers.addOpenableFile(save.path.string());
    }
  }
  context.pendingSaves = std::move(waiting);
}

std::vector<UserAction> saveWindowActions() {
  return {
      {"save window: to page", 2, saveWindowShown, pageRange},
      {"save window: prepare a run", 3, saveWindowShown, prepareRun},
      saveButtonAction("\"Links erstellen\"", 3, "createLinks"),
      saveMenuAction("\"Alle auswaehlen\"", 2, "checkAll"),
      saveMenuAction("\"Keine auswaehlen\"", 1, "checkNone"),
      saveMenuAction("\"Auswahl umkehren\"", 1, "invertChecks"),
      saveButtonAction("folder \"...\"", 2, "chooseFolder"),
      {"save window: pattern", 1, saveWindowShown, pattern},
      saveButtonAction("\"Dateinamen uebernehmen\"", 2, "assignNames"),
      saveButtonAction("\"DL Start\"", 4, "start"),
      saveButtonAction("\"DL Stop\"", 2, "stop"),
      saveButtonAction("\"in Clipboard\"", 1, "toClipboard"),
      saveButtonAction("\"in Datei\"", 1, "toFile"),
      saveMenuAction("list \"Speichern\"", 1, "saveList"),
      saveMenuAction("\"Reset\"", 1, "reset"),
      {"save window close box", 4, saveWindowShown, closeBox},
  };
}

std::vector<UserAction> postProcessActions() {
  return {
      {"post-processing function", 3, postProcessShown, pickFunction},
      {"post-processing slider", 2, postProcessShown, moveSlider},
      postButton("post-processing \"Ausfuehren\"", 3, &PostProcessWindow::executeButton, true),
      postButton("post-processing \"Aenderung verwerfen\"", 1, &PostProcessWindow::discardButton),
      postButton("post-processing \"uebernehmen, zurueck\"", 2, &PostProcessWindow::acceptButton,
                 true),
      postButton("post-processing \"Aenderung verwerfen, zurueck\"", 2,
                 &PostProcessWindow::cancelButton),
  };
}

}  // namespace korvalis::monkey
