#include "viewer/ui/encoder_settings_window.h"

#include <QCloseEvent>
#include <QPushButton>
#include <QRadioButton>

#include "platform/qt/qt_text.h"

namespace korvalis {

EncoderSettingsWindow::EncoderSettingsWindow(SaveType type, bool keptBytes, QWidget* parent)
    : QDialog(parent), choice_(encoderSettingsChoice(type, keptBytes)) {
  setWindowTitle(toQString(choice_.title));
  setFixedSize(156, 200);
  setModal(true);
  for (std::size_t i = 0; i < options_.size(); ++i) {
    auto* button = new QRadioButton(toQString(choice_.options[i].text), this);
    // Wider than the window's classic 120 pixels, so "beste / sehr groß" is not cut off.
    button->setGeometry(10, 10 + 30 * static_cast<int>(i), 140, 20);
    options_[i] = button;
  }
  options_[static_cast<std::size_t>(choice_.preselected)]->setChecked(true);
  ok_ = new QPushButton(QStringLiteral("O K"), this);
  ok_->setGeometry(20, 132, 116, 24);
  ok_->setDefault(true);
  cancel_ = new QPushButton(QStringLiteral("Abbruch"), this);
  cancel_->setGeometry(20, 168, 116, 24);
  connect(ok_, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });
  connect(cancel_, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });
}

std::optional<EncoderSettings> EncoderSettingsWindow::ask() {
  options_[static_cast<std::size_t>(choice_.preselected)]->setFocus();
  if (exec() != QDialog::Accepted) {
    return std::nullopt;
  }
  for (std::size_t i = 0; i < options_.size(); ++i) {
    if (options_[i]->isChecked()) {
      return choice_.options[i].settings;
    }
  }
  return choice_.options[static_cast<std::size_t>(choice_.preselected)].settings;
}

void EncoderSettingsWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
}

std::optional<EncoderSettings> EncoderSettingsWindowAsker::askEncoderSettings(SaveType type,
                                                                              bool keptBytes) {
  EncoderSettingsWindow window(type, keptBytes, parent_);
  return window.ask();
}

}  // namespace korvalis
