// Test helper: answers the next encoder-settings window as a user would, by clicking it.
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "viewer/ui/encoder_settings_window.h"

namespace korvalis::testing {

/// Answers the next settings window while it lives: records what the window showed, tries
/// its close box and Escape, then checks option `pick` and presses "O K", or presses
/// "Abbruch" when `pick` is negative.
class SettingsAnswer {
 public:
  explicit SettingsAnswer(int choice = 1) : pick(choice) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
    timer_.start();
  }
  SettingsAnswer(const SettingsAnswer&) = delete;
  SettingsAnswer& operator=(const SettingsAnswer&) = delete;

  int pick;
  bool seen = false;
  QString title;
  QStringList options;
  int preselected = -1;
  bool survivedClose = false;

 private:
  void answer() {
    auto* window = qobject_cast<EncoderSettingsWindow*>(QApplication::activeModalWidget());
    if (window == nullptr || !window->isVisible()) {
      return;
    }
    timer_.stop();
    seen = true;
    title = window->windowTitle();
    for (int i = 0; i < 4; ++i) {
      options << window->option(i)->text();
      if (window->option(i)->isChecked()) {
        preselected = i;
      }
    }
    window->close();
    QTest::keyClick(window, Qt::Key_Escape);
    survivedClose = window->isVisible();
    if (pick < 0) {
      window->cancelButton()->click();
    } else {
      window->option(pick)->setChecked(true);
      window->okButton()->click();
    }
  }

  QTimer timer_;
};

}  // namespace korvalis::testing
