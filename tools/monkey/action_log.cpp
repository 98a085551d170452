#include "tools/monkey/action_log.h"

#include <signal.h>
#include <unistd.h>
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

// Set by the address/undefined-behaviour sanitizer's runtime when the program is built with it;
// weak, so the release build links without it.
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace korvalis::monkey {

namespace {
constexpr std::size_t kKeptActions = 25;

// The replay report, kept preformatted for the crash handlers (they may only write(2) it).
std::array<char, 16384> crashText{};
std::size_t crashLength = 0;

void writeCrashText() {
  static const char head[] = "\nmonkey: the program died; replay with\n";
  [[maybe_unused]] auto a = ::write(STDERR_FILENO, head, sizeof head - 1);
  [[maybe_unused]] auto b = ::write(STDERR_FILENO, crashText.data(), crashLength);
}

void onFatalSignal(int signal) {
  writeCrashText();
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}
}  // namespace

ActionLog::ActionLog(std::uint64_t seed)
    : seed_(seed), trace_(qEnvironmentVariableIsSet("KORVALIS_MONKEY_TRACE")) {
  clock_.start();
  refreshCrashText();
  if (__sanitizer_set_death_callback != nullptr) {
    __sanitizer_set_death_callback(writeCrashText);
  }
  for (const int signal : {SIGSEGV, SIGBUS, SIGABRT, SIGFPE, SIGILL}) {
    struct sigaction handler {};
    handler.sa_handler = onFatalSignal;
    // Only when nothing else (a sanitizer) has taken the signal.
    struct sigaction old {};
    if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_DFL) {
      ::sigaction(signal, &handler, nullptr);
    }
  }
}

ActionLog::~ActionLog() {
  if (__sanitizer_set_death_callback != nullptr) {
    __sanitizer_set_death_callback(nullptr);
  }
}

void ActionLog::action(const std::string& text) {
  ++actions_;
  lastAction_ = std::to_string(actions_);
  lastAction_.insert(lastAction_.begin(), '#');
  lastAction_ += ' ';
  lastAction_ += text;
  note(text);
}

void ActionLog::note(const std::string& text) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "#%d %7.3f s ", actions_,
                static_cast<double>(clock_.elapsed()) / 1000.0);
  last_.push_back(stamp + text);
  if (trace_) {
    std::fprintf(stderr, "monkey: %s\n", last_.back().c_str());
  }
  if (last_.size() > kKeptActions) {
    last_.pop_front();
  }
  refreshCrashText();
}

void ActionLog::fault(const std::string& text) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%.3f s", static_cast<double>(clock_.elapsed()) / 1000.0);
  faults_.push_back(text + " (at " + stamp + ", after " +
                    (lastAction_.empty() ? std::string("the start") : lastAction_) + ")");
  std::fprintf(stderr, "monkey: FAULT %s\n", faults_.back().c_str());
  if (faults_.size() == 1) {
    std::fprintf(stderr, "%s", replayText().c_str());
  }
  std::fflush(stderr);
}

std::string ActionLog::replayText() const {
  std::string text = "  seed " + std::to_string(seed_) + "; the last actions:\n";
  for (const std::string& line : last_) {
    text += "    " + line + "\n";
  }
  return text;
}

void ActionLog::refreshCrashText() const {
  const std::string text = replayText();
  crashLength = std::min(text.size(), crashText.size());
  std::memcpy(crashText.data(), text.data(), crashLength);
}

}  // namespace korvalis::monkey
