#include "print/ui/pdf_export_window.h"

#include <fontconfig/fontconfig.h>

#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QIcon>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <cmath>

#include "platform/platform.h"
#include "platform/qt/qt_image.h"
#include "viewer/scale.h"
#include "viewer/ui/encoder_settings_window.h"

namespace korvalis {

/// A widget that shows one image at its own size.
class PdfExportWindow::Canvas : public QWidget {
 public:
  using QWidget::QWidget;
  void setImage(QImage image) {
    image_ = std::move(image);
    setFixedSize(image_.size());
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
  }

 private:
  QImage image_;
};

namespace {

constexpr int kIconSize = 32;
/// Largest side of the reduced copy the preview is drawn from (the sheet is at most 299
/// pixels; twice that keeps the smooth scaling sharp).
constexpr int kPreviewSide = 600;

/// A sheet of paper with a folded corner and a few text lines, as an icon.
QPixmap sheetIcon(int sheetWidth, int sheetHeight, const QString& mark = {}) {
  QPixmap pixmap(kIconSize, kIconSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF sheet((kIconSize - sheetWidth) / 2.0 + 0.5, (kIconSize - sheetHeight) / 2.0 + 0.5,
                     sheetWidth - 1, sheetHeight - 1);
  const double fold = 6;
  QPolygonF outline;
  outline << sheet.topLeft() << QPointF(sheet.right() - fold, sheet.top())
          << QPointF(sheet.right(), sheet.top() + fold) << sheet.bottomRight()
          << sheet.bottomLeft();
  p.setPen(QPen(QColor(60, 60, 60), 1));
  p.setBrush(Qt::white);
  p.drawPolygon(outline);
  p.drawPolyline(QPolygonF{QPointF(sheet.right() - fold, sheet.top()),
                           QPointF(sheet.right() - fold, sheet.top() + fold),
                           QPointF(sheet.right(), sheet.top() + fold)});
  if (mark.isEmpty()) {
    p.setPen(QPen(QColor(120, 140, 190), 1));
    for (double y = sheet.top() + fold + 3; y < sheet.bottom() - 3; y += 4) {
      p.drawLine(QPointF(sheet.left() + 3, y), QPointF(sheet.right() - 3, y));
    }
  } else {
    QFont font = p.font();
    font.setPixelSize(10);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(170, 30, 30));
    p.drawText(sheet.adjusted(0, fold / 2, 0, 0), Qt::AlignCenter, mark);
  }
  return pixmap;
}

QToolButton* iconToggle(QWidget* parent, const QIcon& icon, const QString& tip) {
  auto* button = new QToolButton(parent);
  button->setCheckable(true);
  button->setIcon(icon);
  button->setIconSize(QSize(kIconSize, kIconSize));
  button->setToolTip(tip);
  button->setAccessibleName(tip);
  button->setFixedSize(kIconSize + 6, kIconSize + 6);
  return button;
}

/// The first face fontconfig ranks for `pattern` whose family the toolkit can draw, with the
/// face's width; nothing when none is found.
std::optional<QFont> fontconfigChoice(const char* pattern) {
  if (FcInit() == FcFalse) {
    return std::nullopt;
  }
  FcPattern* query = FcNameParse(reinterpret_cast<const FcChar8*>(pattern));
  if (query == nullptr) {
    return std::nullopt;
  }
  FcConfigSubstitute(nullptr, query, FcMatchPattern);
  FcDefaultSubstitute(query);
  FcResult result = FcResultNoMatch;
  FcFontSet* sorted = FcFontSort(nullptr, query, FcFalse, nullptr, &result);
  FcPatternDestroy(query);
  if (sorted == nullptr) {
    return std::nullopt;
  }
  const QStringList known = QFontDatabase::families();
  std::optional<QFont> chosen;
  for (int i = 0; i < sorted->nfont && !chosen; ++i) {
    FcChar8* family = nullptr;
    for (int n = 0; FcPatternGetString(sorted->fonts[i], FC_FAMILY, n, &family) == FcResultMatch;
         ++n) {
      const QString name = QString::fromUtf8(reinterpret_cast<const char*>(family));
      if (known.contains(name, Qt::CaseInsensitive)) {
        int width = FC_WIDTH_NORMAL;
        FcPatternGetInteger(sorted->fonts[i], FC_WIDTH, 0, &width);
        QFont font(name, 9);
        font.setStretch(width);  // fontconfig and Qt use the same width scale
        chosen = font;
        break;
      }
    }
  }
  FcFontSetDestroy(sorted);
  return chosen;
}

}  // namespace

QFont pdfSizeLabelFont() {
  QFont font(QStringLiteral("ARIALN"), 9);
  if (QFontInfo(font).family().compare(QStringLiteral("ARIALN"), Qt::CaseInsensitive) == 0) {
    return font;
  }
  if (auto narrow = fontconfigChoice("ARIALN,Arial Narrow,sans-serif:width=75")) {
    return *narrow;
  }
  font.setFamily(QStringLiteral("sans-serif"));
  font.setStretch(QFont::Condensed);
  return font;
}

PdfExportWindow::PdfExportWindow(Platform& platform, QWidget* parent, std::function<void()> help)
    // A dialog-type window, so the window manager keeps it above the main window it belongs to.
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      platform_(platform),
      help_(std::move(help)),
      windowAsker_(std::make_unique<EncoderSettingsWindowAsker>(this)),
      asker_(windowAsker_.get()),
      labelFont_(pdfSizeLabelFont()) {
  setWindowTitle(QStringLiteral("PDF-Datei erstellen"));
  setWindowModality(Qt::ApplicationModal);
  setFixedSize(320, 490);
  build();
}

PdfExportWindow::~PdfExportWindow() = default;

void PdfExportWindow::build() {
  sheetPanel_ = new QFrame(this);
  sheetPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  sheetPanel_->setLineWidth(1);
  sheetPanel_->setGeometry(10, 10, 216, 303);
  sheet_ = new Canvas(sheetPanel_);
  sheet_->move(1, 1);

  auto* marginPanel = new QFrame(this);
  marginPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  marginPanel->setGeometry(10, 320, 212, 124);
  const std::array<QPoint, 4> places = {QPoint(74, 8), QPoint(10, 52), QPoint(138, 52),
                                        QPoint(74, 96)};
  const std::array<const char*, 4> tips = {"Oberer Rand (mm)", "Linker Rand (mm)",
                                           "Rechter Rand (mm)", "Unterer Rand (mm)"};
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    auto* field = new QSpinBox(marginPanel);
    field->setGeometry(places[i].x(), places[i].y(), 64, 20);
    field->setRange(0, 297);
    field->setValue(10);
    field->setToolTip(QString::fromUtf8(tips[i]));
    field->setAccessibleName(QString::fromUtf8(tips[i]));
    connect(field, &QSpinBox::valueChanged, this, [this] {
      if (!updating_) {
        updateLayout();
      }
    });
    fields_[i] = field;
  }
  label_ = new Canvas(marginPanel);
  label_->move(76, 29);

  QIcon orientationIcon;
  orientationIcon.addPixmap(sheetIcon(22, 30), QIcon::Normal, QIcon::Off);
  orientationIcon.addPixmap(sheetIcon(30, 22), QIcon::Normal, QIcon::On);
  orientation_ = iconToggle(this, orientationIcon, QStringLiteral("Hochformat / Querformat"));
  orientation_->move(250, 319);
  connect(orientation_, &QToolButton::toggled, this, [this] { updateLayout(); });

  originalSize_ = iconToggle(this, QIcon(sheetIcon(26, 26, QStringLiteral("1:1"))),
                             QString::fromUtf8("Originalgröße"));
  originalSize_->move(250, 444 - originalSize_->height());
  connect(originalSize_, &QToolButton::toggled, this, &PdfExportWindow::originalSizeToggled);

  create_ = new QPushButton(QStringLiteral("PDF-Datei erstellen"), this);
  create_->setGeometry(10, 456, 300, 24);
  connect(create_, &QPushButton::clicked, this, &PdfExportWindow::createPressed);

  for (const int key : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
    connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated, this,
            &PdfExportWindow::updateLayout);
  }
  connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this, [this] {
    if (help_) {
      help_();
    }
  });
}

QWidget* PdfExportWindow::sheetCanvas() const {
  return sheet_;
}

QWidget* PdfExportWindow::sizeLabelCanvas() const {
  return label_;
}

bool PdfExportWindow::open(const std::string& pdfPath, const PageSource& source) {
  keptBytes_.reset();
  toEncode_.reset();
  preview_ = QImage{};
  keptBytesExist_ = source.keptBytes != nullptr;
  Image full;
  if (source.writesKeptBytes() && detectImageFormat(*source.keptBytes) == ImageFormat::Jpeg) {
    DecodeResult decoded = decodeImage(*source.keptBytes);
    if (decoded.ok()) {
      keptBytes_ = source.keptBytes;
      full = std::move(decoded.image);
    }
  }
  if (full.isNull()) {
    if (source.imageToEncode() == nullptr) {
      return false;
    }
    toEncode_ = source.zoomOrCrop ? source.displayImage : source.pageImage;
  }
  const Image& shown = full.isNull() ? *toEncode_ : full;
  imageWidth_ = shown.width();
  imageHeight_ = shown.height();
  const double reduce =
      std::min(1.0, static_cast<double>(kPreviewSide) / std::max(imageWidth_, imageHeight_));
  preview_ =
      toQImage(reduce < 1.0 ? scaleImage(shown, std::max(1, int(std::lround(imageWidth_ * reduce))),
                                         std::max(1, int(std::lround(imageHeight_ * reduce))))
                            : shown);
  pdfPath_ = pdfPath;

  updating_ = true;
  orientation_->setChecked(false);
  orientation_->setEnabled(true);
  originalSize_->setChecked(false);
  for (QSpinBox* field : fields_) {
    field->setMaximum(297);
    field->setValue(10);
    field->setEnabled(true);
  }
  updating_ = false;
  updateLayout();
  if (parentWidget() != nullptr) {
    move(parentWidget()->window()->frameGeometry().topLeft() + QPoint(26, 46));
  } else {
    move(26, 46);
  }
  show();
  activateWindow();
  return true;
}

PdfMargins PdfExportWindow::fieldValues() const {
  return {fields_[Top]->value(), fields_[Left]->value(), fields_[Right]->value(),
          fields_[Bottom]->value()};
}

void PdfExportWindow::updateLayout() {
  if (preview_.isNull()) {
    return;
  }
  const bool original = originalSize_->isChecked();
  layout_ = updatePdfLayout(imageWidth_, imageHeight_, fieldValues(), orientation_->isChecked(),
                            original);
  updating_ = true;
  const std::array<int, 4> values = {layout_.fields.top, layout_.fields.left, layout_.fields.right,
                                     layout_.fields.bottom};
  const std::array<int, 4> limits = {layout_.maxFields.top, layout_.maxFields.left,
                                     layout_.maxFields.right, layout_.maxFields.bottom};
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    fields_[i]->setMaximum(std::max(limits[i], 0));
    fields_[i]->setValue(values[i]);
  }
  updating_ = false;
  drawSheet();
  drawSizeLabel();
}

void PdfExportWindow::drawSheet() {
  const bool original = originalSize_->isChecked();
  const QSize size = original ? QSize(layout_.fitWidth, layout_.fitHeight)
                              : QSize(layout_.sheetWidth + 2, layout_.sheetHeight + 2);
  QImage canvas(size, QImage::Format_RGB32);
  canvas.fill(Qt::white);
  QPainter p(&canvas);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  // With the original-size toggle the image fills the canvas; otherwise it starts at the
  // top-left margin line.
  const QPoint at = original ? QPoint(0, 0) : QPoint(layout_.left, layout_.top);
  p.drawImage(QRect(at, QSize(layout_.fitWidth, layout_.fitHeight)), preview_);
  if (!original) {
    p.setPen(QPen(Qt::red, 1));
    p.drawLine(layout_.left, 0, layout_.left, size.height() - 1);
    p.drawLine(layout_.rightEdge, 0, layout_.rightEdge, size.height() - 1);
    p.drawLine(0, layout_.top, size.width() - 1, layout_.top);
    p.drawLine(0, layout_.bottomEdge, size.width() - 1, layout_.bottomEdge);
  }
  p.end();
  sheet_->setImage(std::move(canvas));
  sheetPanel_->resize(size + QSize(2, 2));
}

std::array<QString, 4> PdfExportWindow::sizeLabelLines() const {
  const auto mm = [](int value) { return QString::number(value) + QStringLiteral(" mm"); };
  if (originalSize_->isChecked()) {
    const auto points = [](int pixels) { return int(std::lround(pixels * 25.4 / 72.0)); };
    return {QStringLiteral("Bild:"), mm(points(imageWidth_)), QStringLiteral("x"),
            mm(points(imageHeight_))};
  }
  return {QStringLiteral("Bild:"), mm(layout_.fitWidth - 2), QStringLiteral("x"),
          mm(layout_.fitHeight - 2)};
}

void PdfExportWindow::drawSizeLabel() {
  QImage canvas(60, 64, QImage::Format_RGB32);
  canvas.fill(Qt::white);
  QPainter p(&canvas);
  p.setPen(Qt::red);
  p.drawRect(0, 0, 59, 63);
  p.setPen(Qt::black);
  p.setFont(labelFont_);
  const QFontMetrics metrics(labelFont_);
  const std::array<int, 4> tops = {2, 18, 31, 46};
  const std::array<QString, 4> lines = sizeLabelLines();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int x = (60 - metrics.horizontalAdvance(lines[i])) / 2;
    p.drawText(x, tops[i] + metrics.ascent(), lines[i]);
  }
  p.end();
  label_->setImage(std::move(canvas));
}

void PdfExportWindow::originalSizeToggled(bool pressed) {
  updating_ = true;
  if (pressed) {
    savedMargins_ = fieldValues();
    const QSignalBlocker quiet(orientation_);
    orientation_->setChecked(false);
  } else {
    const std::array<int, 4> saved = {savedMargins_.top, savedMargins_.left, savedMargins_.right,
                                      savedMargins_.bottom};
    for (std::size_t i = 0; i < fields_.size(); ++i) {
      fields_[i]->setMaximum(297);
      fields_[i]->setValue(saved[i]);
    }
  }
  orientation_->setEnabled(!pressed);
  for (QSpinBox* field : fields_) {
    field->setEnabled(!pressed);  // the margins do not apply to a sheet of the image's size
  }
  updating_ = false;
  updateLayout();
}

PdfExportWindow::ExportOutcome PdfExportWindow::exportPdf() {
  // The page is held by its own shared pointers here: the quality dialog below runs an event
  // loop in which the window may be opened again for another page.
  const PageBytes kept = keptBytes_;
  const SharedImage toEncode = toEncode_;
  std::vector<std::uint8_t> encoded;
  std::span<const std::uint8_t> data;
  if (kept) {
    data = *kept;
  } else if (toEncode) {
    const std::optional<EncoderSettings> settings =
        asker_->askEncoderSettings(SaveType::Jpeg, keptBytesExist_);
    if (!settings) {
      return ExportOutcome::Cancelled;
    }
    std::optional<std::vector<std::uint8_t>> jpeg = encodeJpeg(*toEncode, settings->quality);
    if (jpeg) {
      encoded = std::move(*jpeg);
    }
    data = encoded;
  }
  updateLayout();
  if (data.empty() || korvalis::exportPdf(data, layout_, orientation_->isChecked(),
                                          originalSize_->isChecked(), pdfPath_) != 1) {
    platform_.message(kSaveFailedTitle, saveFailedMessage(pdfPath_), MessageSign::Warning);
    return ExportOutcome::Failed;
  }
  return ExportOutcome::Written;
}

void PdfExportWindow::createPressed() {
  if (exportPdf() != ExportOutcome::Cancelled) {
    close();
  }
}

void PdfExportWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  keptBytes_.reset();
  toEncode_.reset();
  preview_ = QImage{};
  emit closed();
}

}  // namespace korvalis
