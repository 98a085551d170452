#include "viewer/ui/post_process_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/qt/qt_image.h"

namespace korvalis {

namespace {

const char* const kFunctions[] = {" Bitte wählen ...", " Invertieren", " Monochrome",
                                  " Äqualisation",     " Helligkeit",  " Kontrast",
                                  " Gammakorrektur"};

QToolButton* imageButton(QStyle::StandardPixmap icon, const QString& tip, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setIcon(parent->style()->standardIcon(icon));
  button->setIconSize(QSize(24, 24));
  button->setToolTip(tip);
  button->setAccessibleName(tip);
  return button;
}

}  // namespace

PostProcessWindow::PostProcessWindow(PostProcessPage page, std::function<void()> closed,
                                     QWidget* parent)
    : QWidget(parent, Qt::Tool), page_(std::move(page)), closed_(std::move(closed)) {
  setWindowTitle(QStringLiteral("Nachbearbeitung"));
  list_ = new QComboBox(this);
  for (const char* name : kFunctions) {
    list_->addItem(QString::fromUtf8(name));
  }
  slider_ = new QSlider(Qt::Horizontal, this);
  value_ = new QLineEdit(this);
  value_->setFixedWidth(60);
  value_->setAlignment(Qt::AlignRight);
  previewLabel_ = new QLabel(this);
  previewLabel_->setFixedSize(kPreviewWidth, kPreviewHeight);
  previewLabel_->setAlignment(Qt::AlignCenter);
  previewLabel_->setFrameShape(QFrame::StyledPanel);
  execute_ = imageButton(QStyle::SP_MediaPlay, QStringLiteral("Gewählte Funktion ausführen"), this);
  discard_ = imageButton(QStyle::SP_BrowserReload, QStringLiteral("Änderung verwerfen"), this);
  accept_ = imageButton(QStyle::SP_DialogApplyButton,
                        QStringLiteral("Änderung übernehmen, zurück zum Hauptprogramm"), this);
  cancel_ = imageButton(QStyle::SP_DialogCancelButton,
                        QStringLiteral("Anderung verwerfen, zurück zum Hauptprogramm"), this);

  auto* sliderRow = new QHBoxLayout;
  sliderRow->addWidget(slider_, 1);
  sliderRow->addWidget(value_);
  auto* buttons = new QHBoxLayout;
  for (QToolButton* b : {execute_, discard_}) {
    buttons->addWidget(b);
  }
  buttons->addStretch(1);
  for (QToolButton* b : {accept_, cancel_}) {
    buttons->addWidget(b);
  }
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addLayout(sliderRow);
  layout->addWidget(previewLabel_, 0, Qt::AlignHCenter);
  layout->addLayout(buttons);

  connect(list_, &QComboBox::currentIndexChanged, this, &PostProcessWindow::selectFunction);
  connect(slider_, &QSlider::valueChanged, this, &PostProcessWindow::sliderMoved);
  connect(value_, &QLineEdit::editingFinished, this, &PostProcessWindow::valueEdited);
  connect(execute_, &QToolButton::clicked, this, &PostProcessWindow::executeFunction);
  connect(discard_, &QToolButton::clicked, this, &PostProcessWindow::discardChange);
  connect(accept_, &QToolButton::clicked, this, &PostProcessWindow::acceptAndReturn);
  connect(cancel_, &QToolButton::clicked, this, &PostProcessWindow::discardAndReturn);
}

PostProcessWindow::~PostProcessWindow() = default;

void PostProcessWindow::open() {
  original_ = page_.snapshot ? page_.snapshot() : nullptr;
  if (!original_) {
    original_ = makeSharedImage(Image{});
  }
  current_ = original_;
  pageNumber_ = page_.number ? page_.number() : 0;
  pending_ = false;
  executed_ = false;
  open_ = true;
  {
    const QSignalBlocker block(list_);
    list_->setCurrentIndex(0);
  }
  setControlsVisible(false, false);
  previewBase_ = previewCopy(*current_, kPreviewWidth, kPreviewHeight);
  preview_ = previewBase_;
  refreshPreview();
  show();
  raise();
  activateWindow();
}

PointOp PostProcessWindow::currentOp() const {
  return static_cast<PointOp>(list_->currentIndex());
}

double PostProcessWindow::currentParameter() const {
  const PointOp op = currentOp();
  if (op == PointOp::Gamma) {
    // Gamma takes the number in the value field, so values beyond the slider can be typed.
    bool ok = false;
    const double typed = value_->text().toDouble(&ok);
    return ok ? typed : 0.0;  // 0 is refused by the operation: nothing happens
  }
  return parameterForSlider(op, slider_->value());
}

void PostProcessWindow::setControlsVisible(bool buttons, bool slider) {
  execute_->setVisible(buttons);
  discard_->setVisible(buttons);
  slider_->setVisible(slider);
  value_->setVisible(slider);
}

bool PostProcessWindow::onShownPage() const {
  return page_.number && page_.number() == pageNumber_;
}

void PostProcessWindow::publish(SharedImage image) {
  current_ = std::move(image);
  if (onShownPage() && page_.show) {
    page_.show(current_);
  }
}

void PostProcessWindow::restoreFromBackup() {
  executed_ = false;
  if (original_) {
    publish(original_);
  }
}

void PostProcessWindow::refreshPreview() {
  preview_ = previewBase_;
  applyPointOp(preview_, currentOp(), currentParameter());
  previewLabel_->setPixmap(QPixmap::fromImage(toQImage(preview_)));
}

void PostProcessWindow::selectFunction(int index) {
  restoreFromBackup();
  previewBase_ = previewCopy(*current_, kPreviewWidth, kPreviewHeight);
  const PointOp op = static_cast<PointOp>(index);
  const SliderSetting setting = sliderSetting(op);
  {
    const QSignalBlocker block(slider_);
    slider_->setRange(setting.minimum, setting.maximum);
    slider_->setValue(setting.initial);
  }
  value_->setText(QString::fromStdString(valueFieldText(op, setting.initial)));
  setControlsVisible(index != 0, index != 0 && setting.visible);
  refreshPreview();
  pending_ = index != 0;
}

void PostProcessWindow::sliderMoved(int value) {
  value_->setText(QString::fromStdString(valueFieldText(currentOp(), value)));
  refreshPreview();
  // A new value is a choice that accepting applies, from the backup. Once "Ausführen" changed
  // the page, accepting keeps those changes: the slider then only moves the preview.
  pending_ = currentOp() != PointOp::None && !executed_;
}

void PostProcessWindow::valueEdited() {
  if (currentOp() == PointOp::Gamma) {
    refreshPreview();
    pending_ = !executed_;
  }
}

void PostProcessWindow::executeFunction() {
  setEnabled(false);
  const QIcon icon = execute_->icon();
  execute_->setIcon(style()->standardIcon(QStyle::SP_BrowserStop));
  QApplication::setOverrideCursor(Qt::WaitCursor);
  auto edited = std::make_shared<Image>(*current_);
  applyPointOp(*edited, currentOp(), currentParameter());
  publish(std::move(edited));
  pending_ = false;
  executed_ = true;
  QApplication::restoreOverrideCursor();
  execute_->setIcon(icon);
  QApplication::processEvents();
  setEnabled(true);
}

void PostProcessWindow::discardChange() {
  restoreFromBackup();
  previewBase_ = previewCopy(*current_, kPreviewWidth, kPreviewHeight);
  const SliderSetting setting = sliderSetting(currentOp());
  {
    const QSignalBlocker block(slider_);
    slider_->setValue(setting.initial);
  }
  value_->setText(QString::fromStdString(valueFieldText(currentOp(), setting.initial)));
  refreshPreview();
  pending_ = false;
}

void PostProcessWindow::acceptAndReturn() {
  if (pending_ && original_) {
    auto edited = std::make_shared<Image>(*original_);
    applyPointOp(*edited, currentOp(), currentParameter());
    publish(std::move(edited));
    pending_ = false;
  }
  leave();
}

void PostProcessWindow::discardAndReturn() {
  restoreFromBackup();
  pending_ = false;
  leave();
}

void PostProcessWindow::leave() {
  open_ = false;
  hide();
  original_.reset();
  current_.reset();
  previewBase_ = Image();
  preview_ = Image();
  previewLabel_->clear();
  if (closed_) {
    closed_();
  }
}

void PostProcessWindow::closeEvent(QCloseEvent* event) {
  // Closing by the title bar must not leave the main window disabled: it discards like the
  // "back without changes" button.
  if (open_) {
    discardAndReturn();
  }
  event->accept();
}

}  // namespace korvalis
