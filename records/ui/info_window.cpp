#include "records/ui/info_window.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPlainTextEdit>

#include "platform/qt/qt_text.h"

namespace korvalis {
namespace {

/// A horizontal dialog unit is a quarter of the font's average character width.
int dialogUnitsToPixels(const QFontMetrics& metrics, int units) {
  return (units * metrics.averageCharWidth() + 2) / 4;
}

}  // namespace

InfoWindow::InfoWindow(QWidget* owner, std::function<void()> help)
    : QWidget(owner, Qt::Tool), text_(new QPlainTextEdit(this)), help_(std::move(help)) {
  setWindowTitle(QStringLiteral("Info"));
  text_->setReadOnly(true);
  text_->setAccessibleName(QStringLiteral("Info"));
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setTabStopDistance(dialogUnitsToPixels(text_->fontMetrics(), 40));
  text_->move(1, 1);
  setFocusProxy(text_);
}

void InfoWindow::setInfoText(std::string_view text) {
  text_->setPlainText(toDisplayText(text));
}

QString InfoWindow::infoText() const {
  return text_->toPlainText();
}

void InfoWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // As wide as the window and two pixels less high, at (1, 1).
  text_->setGeometry(1, 1, width() - 1, height() - 2);
}

void InfoWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    if (help_) {
      help_();
    }
    return;
  }
  if (event->key() == Qt::Key_Escape) {
    hide();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace korvalis
