#include "tools/monkey/monkey_run.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QTest>

#include "app/ui/main_window.h"
#include "app/ui/program.h"
#include "batch/save_window_commands.h"
#include "batch/ui/save_window.h"
#include "tools/monkey/action_log.h"
#include "tools/monkey/dialog_answerer.h"
#include "tools/monkey/stall_watchdog.h"
#include "tools/monkey/status_texts.h"

namespace korvalis::monkey {

namespace {
constexpr int kRetryMs = 20;
constexpr int kEndWaitMs = 15000;
constexpr qint64 kSlowActionMs = 50;
}  // namespace

MonkeyRun::MonkeyRun(MonkeyContext& context, StallWatchdog& watchdog, int seconds,
                     std::vector<std::filesystem::path> checkedFolders)
    : context_(context),
      watchdog_(watchdog),
      seconds_(seconds),
      checkedFolders_(std::move(checkedFolders)),
      statusWatch_(context) {
  for (auto list : {mainWindowActions(), saveWindowActions(), postProcessActions()}) {
    actions_.insert(actions_.end(), list.begin(), list.end());
  }
  driver_.setSingleShot(true);
  connect(&driver_, &QTimer::timeout, this, &MonkeyRun::step);
}

void MonkeyRun::start() {
  clock_.start();
  watchdog_.start();
  statusWatch_.start();
  driver_.start(0);
}

// Mostly quick successions, sometimes a pause long enough for pages and runs to finish.
void MonkeyRun::scheduleNext() {
  const int wait = context_.chance(85) ? context_.uniform(0, 250) : context_.uniform(300, 2500);
  driver_.start(wait);
}

const UserAction* MonkeyRun::pickAction() {
  std::vector<const UserAction*> possible;
  int total = 0;
  for (const UserAction& action : actions_) {
    if (action.possible(context_)) {
      possible.push_back(&action);
      total += action.weight;
    }
  }
  if (possible.empty()) {
    return nullptr;
  }
  int ticket = context_.uniform(0, total - 1);
  for (const UserAction* action : possible) {
    ticket -= action->weight;
    if (ticket < 0) {
      return action;
    }
  }
  return possible.back();
}

void MonkeyRun::step() {
  if (clock_.elapsed() >= qint64{seconds_} * 1000) {
    finish();
    return;
  }
  // The user cannot act while a modal window is up; its answer comes from the answerer.
  if (busy_ || context_.answers.modalOpen()) {
    driver_.start(kRetryMs);
    return;
  }
  if (!context_.program.mainWindow().isVisible()) {
    context_.log.note("the main window has closed; the run ends");
    finish();
    return;
  }
  const UserAction* action = pickAction();
  if (action != nullptr) {
    busy_ = true;
    context_.log.action(std::string(action->name));
    QElapsedTimer took;
    took.start();
    const std::string done = action->run(context_);
    const qint64 ms = took.elapsed();
    context_.log.note("  " + done +
                      (ms >= kSlowActionMs ? ", took " + std::to_string(ms) + " ms" : ""));
    busy_ = false;
    checkInvariants();
  }
  scheduleNext();
}

void MonkeyRun::checkInvariants() {
  const StallWatchdog::OwnTime own(watchdog_);
  MainWindow& window = context_.program.mainWindow();
  for (int field = 0; field < kStatusFieldCount; ++field) {
    if (const auto wrong = unknownStatusText(field, window.statusText(field))) {
      context_.log.fault(*wrong);
    }
  }
  checkFinishedSaves(context_, false);
  if (const auto wrong = context_.pages.check(context_)) {
    context_.log.fault(*wrong);
  }
}

// Stops a running batch as the user would, closes the main window (which ends every other
// window), and checks the files once the workers have ended.
void MonkeyRun::finish() {
  watchdog_.stop();
  statusWatch_.stop();
  SaveWindow* save = saveWindowOf(context_);
  if (save != nullptr && save->isVisible()) {
    click(save->findChild<QAbstractButton*>(QStringLiteral("stop")));
  }
  context_.program.mainWindow().close();
  const bool ended = QTest::qWaitFor(
      [save] { return save == nullptr || !save->commands().batchRunning(); }, kEndWaitMs);
  if (!ended) {
    context_.log.fault("the batch run still runs " + std::to_string(kEndWaitMs) +
                       " ms after the main window closed");
  }
  {
    const StallWatchdog::OwnTime own(watchdog_);
    checkFinishedSaves(context_, true);
    for (const auto& folder : checkedFolders_) {
      for (const std::string& wrong : leftoverFiles(folder)) {
        context_.log.fault(wrong);
      }
    }
  }
  emit finished();
}

}  // namespace korvalis::monkey
