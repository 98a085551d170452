// What the monkey did and what it found: the last actions (for the replay report), the faults,
// and a report written by a crash handler when the program dies under the monkey.
#pragma once

#include <QElapsedTimer>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace korvalis::monkey {

class ActionLog {
 public:
  explicit ActionLog(std::uint64_t seed);
  ~ActionLog();
  ActionLog(const ActionLog&) = delete;
  ActionLog& operator=(const ActionLog&) = delete;

  /// One user action or dialog answer, stamped with the run's time.
  void action(const std::string& text);
  /// A note beside the actions (a dialog's answer, an action's details); not counted.
  void note(const std::string& text);
  /// A broken invariant, named with the action it followed. The first one prints the seed and the
  /// last actions at once, so they are on record even if a later crash ends the process.
  void fault(const std::string& text);

  int actionCount() const { return actions_; }
  int faultCount() const { return static_cast<int>(faults_.size()); }
  const std::vector<std::string>& faults() const { return faults_; }
  std::uint64_t seed() const { return seed_; }
  /// The seed and the last actions, as printed for a fault.
  std::string replayText() const;

 private:
  void refreshCrashText() const;

  std::uint64_t seed_;
  QElapsedTimer clock_;
  int actions_ = 0;
  std::deque<std::string> last_;
  std::string lastAction_;
  bool trace_ = false;
  std::vector<std::string> faults_;
};

}  // namespace korvalis::monkey
