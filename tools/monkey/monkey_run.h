// The monkey's run: fires a random possible user action at random moments, checks the
// invariants after each, and at the end stops what runs and checks the files left behind.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <vector>

#include "tools/monkey/status_watch.h"
#include "tools/monkey/user_actions.h"

namespace korvalis::monkey {

class StallWatchdog;

class MonkeyRun : public QObject {
  Q_OBJECT

 public:
  MonkeyRun(MonkeyContext& context, StallWatchdog& watchdog, int seconds,
            std::vector<std::filesystem::path> checkedFolders);

  void start();

 signals:
  void finished();

 private:
  void step();
  const UserAction* pickAction();
  void checkInvariants();
  void finish();
  void scheduleNext();

  MonkeyContext& context_;
  StallWatchdog& watchdog_;
  int seconds_;
  std::vector<std::filesystem::path> checkedFolders_;
  StatusWatch statusWatch_;
  std::vector<UserAction> actions_;
  QTimer driver_;
  QElapsedTimer clock_;
  bool busy_ = false;
};

}  // namespace korvalis::monkey
