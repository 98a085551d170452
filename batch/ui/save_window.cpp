#include "batch/ui/save_window.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QTextEdit>
#include <algorithm>
#include <cmath>

#include "batch/ui/save_list_model.h"
#include "platform/qt/qt_event_target.h"
#include "platform/qt/qt_text.h"

namespace korvalis {

namespace {

constexpr int kWidth = 741;
constexpr int kHeight = 400;
constexpr int kFrameHeight = 200;  // the list starts right under the frames
constexpr int kProgressWidth = 18;

QPushButton* makeButton(const QString& text, QWidget* parent, const char* name) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

QLineEdit* makeNumberField(int maxLength, QWidget* parent, const char* name) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(QString::fromLatin1(name));
  field->setMaxLength(maxLength);
  field->setAlignment(Qt::AlignRight);
  field->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), field));
  return field;
}

/// The three centred lines that explain the pattern: name parts blue, counter parts red.
QString explanationHtml() {
  const QString blue = QStringLiteral("<span style=\"color:#0000ff\">%1</span>");
  const QString red = QStringLiteral("<span style=\"color:#ff0000\">%1</span>");
  const QString name = QStringLiteral("KB_K\u00f6slin_");
  return QStringLiteral("<div align=\"center\" style=\"white-space:pre\">") +
         QStringLiteral("Dateiname in der Form ") + blue.arg(QStringLiteral("Name")) +
         red.arg(QStringLiteral("[Stellenzahl]")) + QStringLiteral("<br>z.B.: ") + blue.arg(name) +
         red.arg(QStringLiteral("[3]")) + QStringLiteral("<br>ergibt: ") + blue.arg(name) +
         red.arg(QStringLiteral("001")) + QStringLiteral(",  ") + blue.arg(name) +
         red.arg(QStringLiteral("002")) + QStringLiteral(",  ...</div>");
}

}  // namespace

SaveWindow::SaveWindow(Platform& platform, TransferEngine& engine, SaveWindowSettings settings,
                       std::function<void()> help, QWidget* parent)
    // A dialog-type window: an X11 window manager is told that it belongs to the main window
    // and keeps it above it (the owner of a plain window is not passed on).
    : QWidget(parent, Qt::Dialog),
      help_(std::move(help)),
      scaleX_(settings.scaleX),
      scaleY_(settings.scaleY) {
  setObjectName(QStringLiteral("saveWindow"));
  setWindowTitle(toQString(" Speichern..."));
  eventTarget_ = QtEventTarget::create(
      this, [this](int code, std::uintptr_t data) { commands_->handleEvent(code, data); });
  commands_ = std::make_unique<SaveWindowCommands>(platform, *this, engine, eventTarget_,
                                                   std::move(settings));
  buildLinkFrame();
  buildSaveFrame();
  buildList();
  buildMenu();

  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("progress"));
  progress_->setOrientation(Qt::Vertical);
  progress_->setTextVisible(false);
  progress_->setGeometry(saveFrame_->geometry().right() + 8, saveFrame_->y() + 10, kProgressWidth,
                         saveFrame_->height() - 20);
  progress_->hide();

  auto* helpKey = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(helpKey, &QShortcut::activated, this, [this] {
    if (help_) {
      help_();
    }
  });
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, [this] { commands_->cancelEstimate(); });

  setMinimumSize(std::max(600, progress_->geometry().right() + 1 + 9), 320);
  setMaximumSize(1024, 768);
  resize(std::max(kWidth, minimumWidth()), kHeight);
  placeBesideParent();
  commands_->showTargetFolder();
  for (const SaveControl control :
       {SaveControl::ToClipboard, SaveControl::ToFile, SaveControl::Start, SaveControl::Stop}) {
    setControlEnabled(control, false);
  }
}

SaveWindow::~SaveWindow() {
  // The list model watches the commands' list: it goes first, so that the list it detaches
  // from still exists. Then the commands (and the batch run's workers) go before the widgets
  // they report to.
  list_->setModel(nullptr);
  delete model_;
  model_ = nullptr;
  commands_.reset();
}

int SaveWindow::scaledX(int base) const {
  return static_cast<int>(std::lround(base * scaleX_));
}

void SaveWindow::placeBesideParent() {
  QWidget* main = parentWidget();
  if (main == nullptr) {
    return;
  }
  const QStatusBar* status = main->findChild<QStatusBar*>();
  const int statusHeight = status != nullptr ? status->height() : 0;
  const QRect outer = main->geometry();
  move(outer.x() + outer.width() - 786, outer.y() + outer.height() - statusHeight - 410);
}

void SaveWindow::keepOnScreen() {
  const QScreen* shownOn = parentWidget() != nullptr ? parentWidget()->screen() : screen();
  if (shownOn == nullptr) {
    return;
  }
  // Placed by a main window larger than the screen (a large display scale), the window would
  // open partly outside it, its buttons out of reach. move() places the frame.
  const QRect area = shownOn->availableGeometry();
  const QRect frame = frameGeometry();
  const int x =
      std::clamp(frame.x(), area.left(), std::max(area.left(), area.right() + 1 - frame.width()));
  const int y =
      std::clamp(frame.y(), area.top(), std::max(area.top(), area.bottom() + 1 - frame.height()));
  move(x, y);
}

void SaveWindow::buildLinkFrame() {
  linkFrame_ = new QGroupBox(QStringLiteral("DL-Link erstellen"), this);
  linkFrame_->setGeometry(0, 0, scaledX(144) + 25, kFrameHeight);
  const int width = linkFrame_->width();
  const struct {
    const char* label;
    QLineEdit** field;
    int maxLength;
    const char* name;
  } rows[] = {{"ID: ", &idField_, 9, "idField"},
              {"von: ", &fromField_, 5, "fromField"},
              {"bis: ", &toField_, 5, "toField"}};
  int y = 22;
  for (const auto& row : rows) {
    auto* label = new QLabel(QString::fromLatin1(row.label), linkFrame_);
    label->setGeometry(10, y, 40, 22);
    *row.field = makeNumberField(row.maxLength, linkFrame_, row.name);
    // A screen reader names the field by its label, not by the frame around both.
    label->setBuddy(*row.field);
    (*row.field)->setAccessibleName(label->text().trimmed().remove(QLatin1Char(':')));
    (*row.field)->setGeometry(52, y, width - 62, 22);
    y += 28;
  }
  controls_[SaveControl::IdField] = idField_;
  controls_[SaveControl::FromField] = fromField_;
  controls_[SaveControl::ToField] = toField_;
  auto* create = makeButton(QStringLiteral("Links erstellen"), linkFrame_, "createLinks");
  create->setGeometry(10, 110, width - 20, 26);
  auto* clipboard = makeButton(QStringLiteral("in Clipboard"), linkFrame_, "toClipboard");
  clipboard->setGeometry(10, 140, width - 20, 26);
  auto* file = makeButton(QStringLiteral("in Datei"), linkFrame_, "toFile");
  file->setGeometry(10, 170, width - 20, 24);
  controls_[SaveControl::CreateLinks] = create;
  controls_[SaveControl::ToClipboard] = clipboard;
  controls_[SaveControl::ToFile] = file;
  connect(create, &QPushButton::clicked, this, [this] { commands_->createLinks(); });
  connect(clipboard, &QPushButton::clicked, this, [this] { commands_->copyLinksToClipboard(); });
  connect(file, &QPushButton::clicked, this, [this] { commands_->writeLinksToFile(); });
}

void SaveWindow::buildSaveFrame() {
  saveFrame_ = new QGroupBox(QStringLiteral("Dateien speichern"), this);
  saveFrame_->setGeometry(linkFrame_->width() + 4, 0, scaledX(520), kFrameHeight);
  const int width = saveFrame_->width();
  auto* folderButton = makeButton(QStringLiteral("..."), saveFrame_, "chooseFolder");
  folderButton->setGeometry(10, 22, 30, 24);
  folderButton->setAccessibleName(QStringLiteral("Zielordner w\u00e4hlen"));
  folderField_ = new QLineEdit(saveFrame_);
  folderField_->setObjectName(QStringLiteral("folderField"));
  folderField_->setReadOnly(true);
  folderField_->setAccessibleName(QStringLiteral("Zielordner"));
  folderField_->setStyleSheet(QStringLiteral("background-color: rgb(244, 244, 244)"));
  folderField_->setGeometry(46, 23, width - 56, 22);

  explanation_ = new QTextEdit(saveFrame_);
  explanation_->setObjectName(QStringLiteral("explanation"));
  explanation_->setReadOnly(true);
  explanation_->setTextInteractionFlags(Qt::NoTextInteraction);
  explanation_->setFocusPolicy(Qt::NoFocus);
  explanation_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  explanation_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  explanation_->setStyleSheet(QStringLiteral("background-color: rgb(240, 240, 240)"));
  explanation_->setHtml(explanationHtml());
  explanation_->setGeometry(10, 52, width - 20, 62);

  patternField_ = new QLineEdit(saveFrame_);
  patternField_->setObjectName(QStringLiteral("patternField"));
  patternField_->setAccessibleName(QStringLiteral("Dateiname"));
  patternField_->setGeometry(10, 122, width - 20 - 186, 24);
  auto* assign =
      makeButton(QStringLiteral("Dateinamen \u00fcbernehmen"), saveFrame_, "assignNames");
  assign->setGeometry(width - 190, 121, 180, 26);

  const int half = (width - 30) / 2;
  auto* start = makeButton(QStringLiteral("DL Start"), saveFrame_, "start");
  start->setGeometry(10, 156, half, 32);
  auto* stop = makeButton(QStringLiteral("DL Stop"), saveFrame_, "stop");
  stop->setGeometry(20 + half, 156, half, 32);

  controls_[SaveControl::FolderButton] = folderButton;
  controls_[SaveControl::FolderField] = folderField_;
  controls_[SaveControl::PatternField] = patternField_;
  controls_[SaveControl::AssignNames] = assign;
  controls_[SaveControl::Start] = start;
  controls_[SaveControl::Stop] = stop;
  connect(folderButton, &QPushButton::clicked, this, [this] { commands_->chooseTargetFolder(); });
  connect(assign, &QPushButton::clicked, this, [this] { commands_->assignFileNames(); });
  connect(start, &QPushButton::clicked, this, [this] { commands_->startBatch(); });
  connect(stop, &QPushButton::clicked, this, [this] { commands_->stopBatch(); });
}

void SaveWindow::buildList() {
  list_ = new QTableView(this);
  list_->setObjectName(QStringLiteral("saveList"));
  list_->setAccessibleName(QStringLiteral("Speicherliste"));
  // Tab leaves the list for the next control instead of stepping through its cells.
  list_->setTabKeyNavigation(false);
  model_ = new SaveListModel(
      commands_->list(), [this] { commands_->refreshSaveButtons(); }, this);
  list_->setModel(model_);
  list_->horizontalHeader()->hide();
  list_->verticalHeader()->hide();
  list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 4);
  list_->setShowGrid(false);
  list_->setWordWrap(false);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setColumnWidth(0, scaledX(128));
  list_->setColumnWidth(1, 100);
  list_->setColumnWidth(2, scaledX(64));
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  controls_[SaveControl::List] = list_;
  connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { commands_->refreshSaveButtons(); });
  // A reset replaces the selection model's content, not the model: keep it connected.
  connect(list_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { menu_->popup(list_->viewport()->mapToGlobal(at)); });
}

void SaveWindow::buildMenu() {
  menu_ = new QMenu(this);
  const auto add = [this](QMenu* menu, const QString& text, const char* name, auto slot) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, slot);
  };
  QMenu* selection = menu_->addMenu(QStringLiteral("Auswahl:"));
  add(selection, QStringLiteral("\u00fcbernehmen"), "checkHighlighted",
      [this] { commands_->checkHighlighted(); });
  add(selection, QStringLiteral("Alle ausw\u00e4hlen"), "checkAll",
      [this] { commands_->checkAll(); });
  add(selection, QStringLiteral("Keine ausw\u00e4hlen"), "checkNone",
      [this] { commands_->checkNone(); });
  add(selection, QStringLiteral("Auswahl umkehren"), "invertChecks",
      [this] { commands_->invertChecks(); });
  QMenu* size = menu_->addMenu(QStringLiteral("DL-Gr\u00f6\u00dfe:"));
  add(size, QStringLiteral("Aktiver Eintrag"), "estimateActive",
      [this] { commands_->estimate(EstimateScope::Active); });
  add(size, QStringLiteral("Selektierte Eintr\u00e4ge"), "estimateChecked",
      [this] { commands_->estimate(EstimateScope::Checked); });
  add(size, QStringLiteral("Alle Eintr\u00e4ge"), "estimateAll",
      [this] { commands_->estimate(EstimateScope::All); });
  QMenu* file = menu_->addMenu(QStringLiteral("Speicherliste:"));
  add(file, QStringLiteral("Speichern"), "saveList", [this] { commands_->saveListCommand(); });
  add(file, QStringLiteral("Laden"), "loadList", [this] { commands_->loadListCommand(); });
  add(menu_, QStringLiteral("Reset"), "reset", [this] { commands_->reset(); });
}

void SaveWindow::openForEntry(std::string_view id, std::string_view pages) {
  // During a run the window only comes back, with the running list and "DL Stop".
  if (commands_->openForEntry(id, pages)) {
    fitList();
  }
  keepOnScreen();
  show();
  keepOnScreen();  // now with the frame's size
  raise();
  activateWindow();
  if (toggleHandler_) {
    toggleHandler_(true);
  }
  setMainWindowEnabled(false);
}

void SaveWindow::reportMissingEntry() {
  // Reported through the commands' platform so tests read it back like every message.
  commands_->reportMissingEntry();
}

void SaveWindow::setShown(bool pressed) {
  if (pressed) {
    fitList();
    keepOnScreen();
    show();
    keepOnScreen();
    raise();
    activateWindow();
    setMainWindowEnabled(false);
  } else {
    hide();
    setMainWindowEnabled(true);
  }
}

QLineEdit* SaveWindow::field(SaveField which) const {
  switch (which) {
    case SaveField::Id:
      return idField_;
    case SaveField::From:
      return fromField_;
    case SaveField::To:
      return toField_;
    case SaveField::Folder:
      return folderField_;
    case SaveField::Pattern:
      return patternField_;
  }
  return nullptr;
}

std::string SaveWindow::fieldText(SaveField which) const {
  return field(which)->text().toUtf8().toStdString();
}

void SaveWindow::setFieldText(SaveField which, std::string_view utf8) {
  field(which)->setText(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

void SaveWindow::setControlEnabled(SaveControl control, bool enabled) {
  if (const auto it = controls_.find(control); it != controls_.end()) {
    it->second->setEnabled(enabled);
  }
}

bool SaveWindow::controlEnabled(SaveControl control) const {
  const auto it = controls_.find(control);
  return it != controls_.end() && it->second->isEnabled();
}

void SaveWindow::showProgress(bool shown) {
  progress_->setVisible(shown);
}

void SaveWindow::setProgressMaximum(int maximum) {
  progress_->setMaximum(std::max(0, maximum));
}

void SaveWindow::setProgressValue(int value) {
  progress_->setValue(value);
}

void SaveWindow::setTitle(std::string_view text) {
  setWindowTitle(toQString(text));
}

void SaveWindow::setMainWindowEnabled(bool enabled) {
  if (mainWindowControl_) {
    mainWindowControl_(enabled);
  }
}

std::optional<std::size_t> SaveWindow::currentRow() const {
  const QModelIndex current = list_->currentIndex();
  if (!current.isValid()) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(current.row());
}

std::vector<std::size_t> SaveWindow::highlightedRows() const {
  std::vector<std::size_t> rows;
  for (const QModelIndex& index : list_->selectionModel()->selectedRows()) {
    rows.push_back(static_cast<std::size_t>(index.row()));
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

void SaveWindow::clearHighlights() {
  list_->clearSelection();
}

void SaveWindow::scrollToRow(std::size_t row) {
  list_->scrollTo(model_->index(static_cast<int>(row), 0));
}

void SaveWindow::fitList() {
  list_->setGeometry(0, kFrameHeight, width(), std::max(0, height() - kFrameHeight));
  const int rowHeight = list_->verticalHeader()->defaultSectionSize();
  const int visibleRows = rowHeight > 0 ? list_->viewport()->height() / rowHeight : 0;
  const int scrollBar = model_->rowCount() <= visibleRows
                            ? 0
                            : style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list_);
  // The reference column is as wide as its text and check box need when the font is larger
  // than the base width allows for (an elided reference cannot be told from its neighbours).
  list_->resizeColumnToContents(0);
  list_->setColumnWidth(0, std::max(scaledX(128), list_->columnWidth(0)));
  list_->setColumnWidth(1, std::max(20, list_->width() - list_->columnWidth(0) -
                                            list_->columnWidth(2) - scrollBar - 10));
}

void SaveWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  fitList();
}

void SaveWindow::closeEvent(QCloseEvent* event) {
  // The close box hides the window; rows, fields and a running batch stay as they are.
  event->accept();
  hide();
  if (toggleHandler_) {
    toggleHandler_(false);
  }
  setMainWindowEnabled(true);
}

}  // namespace korvalis
