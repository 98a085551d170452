#include "print/ui/print_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <algorithm>
#include <cctype>
#include <optional>
#include <utility>

#include "platform/qt/qt_image.h"
#include "platform/qt/qt_text.h"
#include "print/print_worker.h"

// The turn toggle's icons live in this static library; its resources are registered by hand.
static void initTurnIconResources() {
  Q_INIT_RESOURCE(turn_icons);
}

namespace korvalis {

namespace {

constexpr int kWindowWidth = 230;
constexpr int kWindowHeight = 522;
/// Return accepts a margin only in this range (the arrows may go further up and down).
constexpr int kReturnMaximum = 100;

/// The page in portrait: the window models every sheet as A4 portrait, also when a printer
/// keeps a landscape orientation it was asked to give up.
PrinterPage portrait(PrinterPage page) {
  if (page.width > page.height) {
    std::swap(page.width, page.height);
  }
  return page;
}

bool mentionsPdf(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text.find("pdf") != std::string::npos;
}

QIcon turnIcon() {
  initTurnIconResources();
  QIcon icon;
  for (const char* suffix : {"", "@2x"}) {
    icon.addFile(QStringLiteral(":/print/upright%1.png").arg(QLatin1String(suffix)), {},
                 QIcon::Normal, QIcon::Off);
    icon.addFile(QStringLiteral(":/print/turned%1.png").arg(QLatin1String(suffix)), {},
                 QIcon::Normal, QIcon::On);
  }
  return icon;
}

}  // namespace

namespace {

// The printer the window starts on: the one chosen in it before while it is still installed
// and ready, else the user's default printer (which the window never changes).
std::string startPrinter(Platform& platform, const std::string& choice) {
  if (!choice.empty()) {
    const std::vector<PrinterEntry> entries = platform.listPrinters();
    const bool installed = std::ranges::any_of(
        entries, [&choice](const PrinterEntry& entry) { return entry.name == choice; });
    if (installed && platform.printerPage(choice)) {
      return choice;
    }
  }
  return platform.defaultPrinterName();
}

}  // namespace

void PrintWindow::runPrintWindow(Platform& platform, const Image& image, HelpCallback help,
                                 QWidget* parent, std::string& printerChoice) {
  runPrintWindow(platform, std::make_shared<const Image>(image), std::move(help), parent,
                 printerChoice);
}

void PrintWindow::runPrintWindow(Platform& platform, std::shared_ptr<const Image> image,
                                 HelpCallback help, QWidget* parent, std::string& printerChoice) {
  const QPointer<QWidget> owner(parent);
  if (owner) {
    owner->setEnabled(false);
  }
  const auto enableOwner = qScopeGuard([&owner] {
    if (owner) {
      owner->setEnabled(true);
    }
  });
  const std::string printer = startPrinter(platform, printerChoice);
  std::optional<PrinterPage> page;
  if (!printer.empty()) {
    page = platform.printerPage(printer);
  }
  bool foundLandscape = false;
  if (page && page->width >= page->height) {
    foundLandscape = true;
    platform.setPrinterOrientation(printer, PrinterOrientation::Portrait);
    page = platform.printerPage(printer);
  }
  if (!page) {
    platform.message("Fehler!", "Drucker nicht bereit.", MessageSign::Warning);
    return;
  }
  PrintWindow window(platform, std::move(image), printer, portrait(*page), foundLandscape,
                     std::move(help), parent);
  window.exec();
  if (!window.chosenPrinter().empty()) {
    printerChoice = window.chosenPrinter();
  }
}

PrintWindow::PrintWindow(Platform& platform, std::shared_ptr<const Image> image,
                         std::string printer, PrinterPage page, bool foundLandscape,
                         HelpCallback help, QWidget* parent)
    : QDialog(parent),
      platform_(platform),
      image_(std::move(image)),
      previewSource_(printPreviewSource(*image_)),
      printer_(std::move(printer)),
      landscapePrinter_(foundLandscape ? printer_ : std::string()),
      help_(std::move(help)) {
  setWindowTitle(QStringLiteral("Drucken"));
  setFixedSize(kWindowWidth, kWindowHeight);
  if (parent != nullptr) {
    move(parent->pos());
  }
  // The main window is disabled while this window is open; a window of its own is enabled
  // explicitly, or it would take over the owner's state.
  setEnabled(true);

  layout_.pageWidth = page.width;
  layout_.pageHeight = page.height;
  layout_.imageWidth = image_->width();
  layout_.imageHeight = image_->height();

  buildControls();
  fillPrinterList();
  updateLayout();
  print_->setFocus();
}

PrintWindow::~PrintWindow() {
  // A focused field loses its focus while the children are destroyed; that must not reach
  // this half-destroyed window.
  for (QSpinBox* field : fields_) {
    field->disconnect(this);
  }
}

void PrintWindow::buildControls() {
  preview_ = new QLabel(this);
  preview_->setFrameShape(QFrame::Box);
  preview_->setLineWidth(1);
  // One pixel of border around the 210 x 297 sheet at (10, 10).
  preview_->setGeometry(9, 9, kSheetWidthMm + 2, kSheetHeightMm + 2);
  preview_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  auto* panel = new QFrame(this);
  panel->setGeometry(11, 317, 210, 130);

  struct MarginField {
    Field field;
    int x, y, maximum;
    const char* name;
  };
  const MarginField margins[] = {{Top, 75, 3, 140, "Rand oben (mm)"},
                                 {Bottom, 75, 103, 140, "Rand unten (mm)"},
                                 {Left, 5, 53, 100, "Rand links (mm)"},
                                 {Right, 145, 53, 100, "Rand rechts (mm)"}};
  for (const MarginField& margin : margins) {
    auto* field = new QSpinBox(panel);
    field->setGeometry(margin.x, margin.y, 60, 24);
    field->setRange(0, margin.maximum);
    field->setValue(accepted_[margin.field]);
    // The value counts when it is committed (arrows, Return, focus lost), not per keystroke.
    field->setKeyboardTracking(false);
    field->setAccessibleName(QString::fromUtf8(margin.name));
    field->setToolTip(QString::fromUtf8(margin.name));
    field->installEventFilter(this);
    if (auto* edit = field->findChild<QLineEdit*>()) {
      edit->installEventFilter(this);
    }
    connect(field, &QSpinBox::valueChanged, this, [this, f = margin.field] { commitField(f); });
    connect(field, &QSpinBox::editingFinished, this, [this, f = margin.field] { commitField(f); });
    fields_[margin.field] = field;
  }

  turn_ = new QToolButton(panel);
  turn_->setGeometry(70, 30, 70, 70);
  turn_->setCheckable(true);
  turn_->setIcon(turnIcon());
  turn_->setIconSize(QSize(64, 64));
  turn_->setToolTip(QStringLiteral("Ausgabe um 90° drehen"));
  turn_->setAccessibleName(QStringLiteral("Ausgabe drehen"));
  connect(turn_, &QToolButton::toggled, this, [this](bool on) {
    layout_.turned = on ? 1 : 0;
    updateLayout();
  });

  printers_ = new QComboBox(this);
  printers_->setGeometry(11, 453, 210, printers_->sizeHint().height());
  printers_->setAccessibleName(QStringLiteral("Drucker"));
  connect(printers_, &QComboBox::activated, this, &PrintWindow::choosePrinter);

  print_ = new QPushButton(QStringLiteral("Drucken"), this);
  print_->setGeometry(11, 487, 95, 30);
  // Printing takes a click or Space on the button: Return only commits a margin field and
  // must not start a job from anywhere in the window (no default button).
  print_->setAutoDefault(false);
  connect(print_, &QPushButton::clicked, this, &PrintWindow::printPage);
  quit_ = new QPushButton(QStringLiteral("Quit"), this);
  quit_->setGeometry(126, 487, 95, 30);
  quit_->setAutoDefault(false);
  connect(quit_, &QPushButton::clicked, this, &QDialog::accept);

  auto* helpKey = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(helpKey, &QShortcut::activated, this, [this] {
    if (help_) {
      help_();
    }
  });

  setTabOrder(fields_[Top], fields_[Left]);
  setTabOrder(fields_[Left], turn_);
  setTabOrder(turn_, fields_[Right]);
  setTabOrder(fields_[Right], fields_[Bottom]);
  setTabOrder(fields_[Bottom], printers_);
  setTabOrder(printers_, print_);
  setTabOrder(print_, quit_);
}

void PrintWindow::fillPrinterList() {
  entries_ = platform_.listPrinters();
  if (entries_.empty()) {
    platform_.message("Error", "No printer installed", MessageSign::Warning);
  }
  const QSignalBlocker blocker(printers_);
  for (const PrinterEntry& entry : entries_) {
    printers_->addItem(pathToQString(entry.name));
    printers_->setItemData(printers_->count() - 1, pathToQString(printerEntryText(entry)),
                           Qt::ToolTipRole);
    if (entry.name == printer_) {
      printers_->setCurrentIndex(printers_->count() - 1);
    }
  }
}

void PrintWindow::updateLayout() {
  layout_.setMargins({fields_[Top]->value(), fields_[Left]->value(), fields_[Right]->value(),
                      fields_[Bottom]->value()});
  updatePrintLayout(layout_);
  previewImage_ = renderPrintPreview(layout_, previewSource_);
  preview_->setPixmap(QPixmap::fromImage(wrapImage(previewImage_)));
}

void PrintWindow::commitField(Field field) {
  accepted_[field] = fields_[field]->value();
  updateLayout();
  print_->setFocus();
}

void PrintWindow::returnInField(Field field) {
  QSpinBox* box = fields_[field];
  bool ok = false;
  const int typed = box->cleanText().toInt(&ok);
  const int value = ok && typed >= 0 && typed <= kReturnMaximum ? typed : accepted_[field];
  {
    const QSignalBlocker blocker(box);
    box->setValue(value);
  }
  accepted_[field] = value;
  updateLayout();
  print_->setFocus();
}

bool PrintWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      for (int f = Top; f <= Right; ++f) {
        if (watched == fields_[f] || watched->parent() == fields_[f]) {
          returnInField(static_cast<Field>(f));
          return true;
        }
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void PrintWindow::choosePrinter(int index) {
  if (index < 0 || index >= static_cast<int>(entries_.size())) {
    return;
  }
  const std::string name = entries_[static_cast<std::size_t>(index)].name;
  setEnabled(false);
  platform_.setPrinterOrientation(name, PrinterOrientation::Portrait);
  const std::optional<PrinterPage> page = platform_.printerPage(name);
  setEnabled(true);
  if (!page) {
    platform_.message("Fehler!", "Drucker nicht bereit.", MessageSign::Warning);
    // The page size still belongs to the printer used so far; the list shows that one again.
    const QSignalBlocker blocker(printers_);
    printers_->setCurrentText(pathToQString(printer_));
    return;
  }
  printer_ = name;
  chosenPrinter_ = name;
  layout_.pageWidth = portrait(*page).width;
  layout_.pageHeight = portrait(*page).height;
  updateLayout();
}

void PrintWindow::printPage() {
  const int index = printers_->currentIndex();
  const bool pdfPrinter = index >= 0 && index < static_cast<int>(entries_.size()) &&
                          mentionsPdf(printerEntryText(entries_[static_cast<std::size_t>(index)]));
  if (pdfPrinter && layout_.turned != 0 &&
      platform_.messageBox("PDF-Datei erstellen...", "Ausgabe drehen (Landscape)?",
                           MessageSign::Question, MessageButtons::YesNo) == MessageAnswer::Yes) {
    // The sheet is turned instead of the image; the layout stays the one computed for the
    // portrait sheet, so the margins keep their millimetres.
    platform_.setPrinterOrientation(printer_, PrinterOrientation::Landscape);
    const std::optional<PrinterPage> page = platform_.printerPage(printer_);
    if (page && page->width > page->height) {
      layout_.pageWidth = page->width;
      layout_.pageHeight = page->height;
      layout_.turned = 0;
    }
  }
  runPrintJob();
  accept();
}

void PrintWindow::runPrintJob() {
  printing_ = true;
  setEnabled(false);
  setWindowTitle(QStringLiteral("Ich drucke..."));
  PrintOutcome outcome = PrintOutcome::Printed;
  {
    QEventLoop loop;
    // The worker reports on its own thread; the loop quits on this one. Input to the
    // disabled windows is dropped while it runs.
    const PrintWorker worker(
        platform_, printer_, image_, layout_, [&outcome, &loop](PrintOutcome result) {
          outcome = result;
          QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
    loop.exec();
  }  // the worker's thread is joined here
  setWindowTitle(QStringLiteral("Drucken"));
  setEnabled(true);
  printing_ = false;
  if (outcome != PrintOutcome::Printed) {
    const PrintWorker::Message message = PrintWorker::messageFor(outcome);
    platform_.message(message.title, message.text, MessageSign::Warning);
  }
}

void PrintWindow::closeEvent(QCloseEvent* event) {
  if (printing_) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void PrintWindow::reject() {
  // The close box (and Esc): a printer found in landscape gets its orientation back.
  if (printing_) {
    return;
  }
  if (!landscapePrinter_.empty()) {
    platform_.setPrinterOrientation(landscapePrinter_, PrinterOrientation::Landscape);
  }
  QDialog::reject();
}

}  // namespace korvalis
