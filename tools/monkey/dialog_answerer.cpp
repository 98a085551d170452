#include "tools/monkey/dialog_answerer.h"

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QRadioButton>
#include <utility>

#include "platform/cp1252.h"
#include "platform/scripted/scripted_platform.h"
#include "print/ui/pdf_export_window.h"
#include "print/ui/print_window.h"
#include "tools/monkey/action_log.h"
#include "viewer/ui/encoder_settings_window.h"

namespace korvalis::monkey {

namespace {
constexpr int kMaxDelayMs = 1200;
constexpr int kLongSaveMs = 3000;
constexpr int kPollMs = 10;

/// The program's modal window that is up, if any: an application-modal one, or a shown PDF
/// export window (modal to the application too, opened without a nested loop).
QWidget* shownModalWindow() {
  if (QWidget* modal = QApplication::activeModalWidget()) {
    return modal;
  }
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (top->isVisible() && top->isModal()) {
      return top;
    }
  }
  return nullptr;
}
}  // namespace

DialogAnswerer::DialogAnswerer(ScriptedPlatform& platform, std::mt19937_64& random, ActionLog& log,
                               AnswerPaths paths)
    : platform_(platform), random_(random), log_(log), paths_(std::move(paths)) {
  platform_.modalWait = [this](std::string_view kind) { whileScriptedDialogOpen(kind); };
  modalTimer_.setInterval(kPollMs);
  connect(&modalTimer_, &QTimer::timeout, this, &DialogAnswerer::answerModalWindow);
  modalTimer_.start();
}

DialogAnswerer::~DialogAnswerer() {
  platform_.modalWait = nullptr;
}

bool DialogAnswerer::modalOpen() const {
  return scriptedDepth_ > 0 || shownModalWindow() != nullptr;
}

int DialogAnswerer::delayMs() {
  // Mostly short, sometimes long enough for a page to arrive behind the dialog.
  std::uniform_int_distribution<int> pick(0, 3);
  std::uniform_int_distribution<int> longer(50, kMaxDelayMs);
  return pick(random_) == 0 ? 0 : longer(random_);
}

// Runs inside the scripted dialog: decides the answer, then keeps the event loop turning for
// the delay, as the real dialog's loop does while the user looks at it.
void DialogAnswerer::whileScriptedDialogOpen(std::string_view kind) {
  ++scriptedDepth_;
  queueScriptedAnswer(kind);
  // A user often looks at a save dialog for a while: long enough for the next page to come.
  const int delay = kind == "save" && std::uniform_int_distribution<int>(0, 1)(random_) == 0
                        ? std::uniform_int_distribution<int>(kMaxDelayMs, kLongSaveMs)(random_)
                        : delayMs();
  log_.note("  dialog \"" + std::string(kind) + "\" open for " + std::to_string(delay) + " ms");
  if (delay > 0) {
    QEventLoop loop;
    QTimer::singleShot(delay, &loop, &QEventLoop::quit);
    loop.exec();
  }
  --scriptedDepth_;
}

void DialogAnswerer::queueScriptedAnswer(std::string_view kind) {
  std::uniform_int_distribution<int> percent(0, 99);
  const std::string number = std::to_string(++answers_);
  if (kind == "message") {
    const MessageButtons buttons = platform_.messages().back().buttons;
    if (buttons == MessageButtons::YesNo && percent(random_) < 50) {
      platform_.queueMessageAnswer(MessageAnswer::Yes);
    } else if (buttons == MessageButtons::YesNoCancel) {
      const MessageAnswer answers[] = {MessageAnswer::Yes, MessageAnswer::No,
                                       MessageAnswer::Cancel};
      platform_.queueMessageAnswer(answers[percent(random_) % 3]);
    }
    log_.note("  message \"" + cp1252ToUtf8(platform_.messages().back().text) + "\"");
  } else if (kind == "save") {
    if (nextSave_) {
      platform_.queueSaveFile(std::exchange(nextSave_, std::nullopt));
    } else if (percent(random_) < 70) {
      platform_.queueSaveFile(
          SaveDialogAnswer{(paths_.outFolder / ("liste-" + number + ".txt")).string(), 0});
    }
  } else if (kind == "open") {
    const std::string& title = platform_.dialogs().back().title;
    if (percent(random_) < 10) {
      return;  // cancelled
    }
    if (title.find("Dokument") != std::string::npos && !openable_.empty()) {
      platform_.queueOpenFile(openable_[percent(random_) % openable_.size()]);
    } else {
      platform_.queueOpenFile(paths_.recordFile);
    }
  } else if (kind == "folder") {
    if (percent(random_) < 85) {
      platform_.queueFolder(paths_.batchFolder.string());
    }
  } else if (kind == "text") {
    const char* texts[] = {"M\xFCller", "*", "Schmidt", "", "Ko"};
    platform_.queueText(texts[percent(random_) % 5]);
  }
}

void DialogAnswerer::answerModalWindow() {
  QWidget* modal = shownModalWindow();
  if (modal == nullptr || !modal->isVisible()) {
    seenModal_ = nullptr;
    return;
  }
  if (modal != seenModal_) {
    seenModal_ = modal;
    seenSince_.start();
    seenDelay_ = delayMs();
    return;
  }
  if (seenSince_.elapsed() < seenDelay_) {
    return;
  }
  seenModal_ = nullptr;  // answered; if it stays up it is answered again after a new delay
  answer(*modal);
}

// The answer is clicked from the event loop, not from inside this timer's slot: a window the
// click opens (the PDF export's quality window) runs its loop while this timer can fire again.
void DialogAnswerer::answer(QWidget& window) {
  std::uniform_int_distribution<int> percent(0, 99);
  const auto later = [](QObject* target, const char* slot) {
    QMetaObject::invokeMethod(target, slot, Qt::QueuedConnection);
  };
  if (auto* settings = qobject_cast<EncoderSettingsWindow*>(&window)) {
    if (percent(random_) < 10) {
      log_.note("  settings window: \"Abbruch\"");
      later(settings->cancelButton(), "click");
      return;
    }
    settingsPick_ = percent(random_) % 4;
    log_.note("  settings window: option " + std::to_string(settingsPick_) + ", \"O K\"");
    settings->option(settingsPick_)->setChecked(true);
    later(settings->okButton(), "click");
  } else if (auto* print = qobject_cast<PrintWindow*>(&window)) {
    const bool printIt = percent(random_) < 70 && print->printButton()->isEnabled();
    log_.note(printIt ? "  print window: print" : "  print window: quit");
    later(printIt ? print->printButton() : print->quitButton(), "click");
  } else if (auto* pdf = qobject_cast<PdfExportWindow*>(&window)) {
    const bool create = percent(random_) < 80;
    log_.note(create ? "  PDF export window: create" : "  PDF export window: close box");
    later(create ? static_cast<QObject*>(pdf->createButton()) : pdf, create ? "click" : "close");
  } else {
    log_.note("  modal window \"" + window.windowTitle().toStdString() + "\": closed");
    later(&window, "close");
  }
}

}  // namespace korvalis::monkey
