// The small modal window that asks for the colour depth (BMP, PNG) or the JPEG quality.
#pragma once

#include <QDialog>
#include <array>
#include <optional>

#include "viewer/page_saving.h"

class QCloseEvent;
class QPushButton;
class QRadioButton;

namespace korvalis {

/// Four stacked options and the buttons "O K" and "Abbruch". Only the two buttons end it:
/// the close box and Escape do nothing.
class EncoderSettingsWindow : public QDialog {
  Q_OBJECT

 public:
  EncoderSettingsWindow(SaveType type, bool keptBytes, QWidget* parent = nullptr);

  /// Runs the window modally; the checked option's settings, or nothing for "Abbruch".
  std::optional<EncoderSettings> ask();

  QRadioButton* option(int index) const { return options_[static_cast<std::size_t>(index)]; }
  QPushButton* okButton() const { return ok_; }
  QPushButton* cancelButton() const { return cancel_; }

 public slots:
  /// Escape lands here; the window stays open.
  void reject() override {}

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  EncoderSettingsChoice choice_;
  std::array<QRadioButton*, 4> options_{};
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

/// The settings asker of the desktop program: shows EncoderSettingsWindow over `parent`.
class EncoderSettingsWindowAsker : public EncoderSettingsAsker {
 public:
  explicit EncoderSettingsWindowAsker(QWidget* parent) : parent_(parent) {}
  std::optional<EncoderSettings> askEncoderSettings(SaveType type, bool keptBytes) override;

 private:
  QWidget* parent_;
};

}  // namespace korvalis
