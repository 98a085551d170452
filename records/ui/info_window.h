#pragma once

#include <QWidget>
#include <functional>
#include <string_view>

class QPlainTextEdit;

namespace korvalis {

/// The info window "Info": a read-only text area with the selected entry's information, one
/// tab stop at 40 dialog units. F1 opens the help; closing (or Esc) only hides it.
class InfoWindow : public QWidget {
  Q_OBJECT

 public:
  /// `owner` is the main window (the info window stays above it); `help` opens the help.
  InfoWindow(QWidget* owner, std::function<void()> help);

  /// Replaces the text (Windows-1252, lines separated by CR).
  void setInfoText(std::string_view text);
  /// The text as shown, lines separated by '\n'.
  QString infoText() const;
  QPlainTextEdit* textArea() const { return text_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QPlainTextEdit* text_;
  std::function<void()> help_;
};

}  // namespace korvalis
