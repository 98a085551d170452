// Answers the program's dialogs as a user would, after a random delay: the scripted platform's
// dialogs and message boxes (an event loop runs while each "is open", as a real modal dialog's
// does, so page answers arrive behind it), and the program's own modal windows (encoder
// settings, print window, PDF export), clicked once their delay has passed.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

class QWidget;

namespace korvalis {
class ScriptedPlatform;
}

namespace korvalis::monkey {

class ActionLog;

/// Files and folders the answers name.
struct AnswerPaths {
  std::string recordFile;           ///< the record file "Datendatei laden" picks
  std::filesystem::path outFolder;  ///< where save dialogs write
  std::filesystem::path batchFolder;
};

class DialogAnswerer : public QObject {
  Q_OBJECT

 public:
  DialogAnswerer(ScriptedPlatform& platform, std::mt19937_64& random, ActionLog& log,
                 AnswerPaths paths);
  ~DialogAnswerer() override;

  /// The answer the next save dialog gives (the page save sets it before its click).
  void setNextSaveAnswer(SaveDialogAnswer answer) { nextSave_ = std::move(answer); }
  /// Files the open dialog may pick besides the record file (pages saved before).
  void addOpenableFile(const std::string& path) { openable_.push_back(path); }
  /// Whether a scripted dialog or a modal window is up (the user cannot act elsewhere).
  bool modalOpen() const;
  /// The option picked in the last encoder-settings window; -1 when none was answered since
  /// the last call of resetSettingsPick().
  int settingsPick() const { return settingsPick_; }
  void resetSettingsPick() { settingsPick_ = -1; }

 private:
  void whileScriptedDialogOpen(std::string_view kind);
  void queueScriptedAnswer(std::string_view kind);
  void answerModalWindow();
  void answer(QWidget& window);
  int delayMs();

  ScriptedPlatform& platform_;
  std::mt19937_64& random_;
  ActionLog& log_;
  AnswerPaths paths_;
  std::optional<SaveDialogAnswer> nextSave_;
  std::vector<std::string> openable_;
  int scriptedDepth_ = 0;
  int settingsPick_ = -1;
  int answers_ = 0;
  QTimer modalTimer_;
  QPointer<QWidget> seenModal_;
  QElapsedTimer seenSince_;
  int seenDelay_ = 0;
};

}  // namespace korvalis::monkey
