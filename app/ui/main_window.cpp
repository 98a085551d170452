#include "app/ui/main_window.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <algorithm>

#include "app/app_state.h"
#include "app/display_scale.h"
#include "archive/event_codes.h"
#include "platform/qt/qt_event_target.h"
#include "platform/qt/qt_text.h"

namespace korvalis {

namespace {

constexpr int kTreeWidth = 220;
constexpr int kStatusFields = 4;
constexpr int kProgressField = 2;  // the third field holds the progress bar
// Widths of fields 0 and 1 (times scaleX) and of the progress bar; field 3 takes the rest.
constexpr int kMessageFieldWidth = 220;
constexpr int kViewFieldWidth = 80;
constexpr int kProgressWidth = 108;
constexpr int kStatusBarHeight = 18;

}  // namespace

MainWindow::MainWindow(AppState& state, QWidget* parent) : QMainWindow(parent), state_(state) {
  setWindowTitle(QStringLiteral(" Korvalis"));
  setMinimumSize(640, 480);
  resize(1024, 768);
  move(10, 10);

  // The left column has its fixed width and the right area takes the rest, edge to edge:
  // the page is fitted to exactly that rest.
  auto* central = new QWidget(this);
  auto* columns = new QHBoxLayout(central);
  columns->setContentsMargins(0, 0, 0, 0);
  columns->setSpacing(0);
  setCentralWidget(central);
  buildLeftColumn();
  buildRightArea();
  columns->addWidget(leftColumn_, 0);
  columns->addWidget(rightStack_, 1);
  buildStatusBar();

  eventTarget_ = QtEventTarget::create(
      this, [this](int code, std::uintptr_t data) { handlePostedEvent(code, data); });
}

MainWindow::~MainWindow() = default;

void MainWindow::buildLeftColumn() {
  leftColumn_ = new QWidget(this);
  leftColumn_->setFixedWidth(scaled(kTreeWidth, state_.scaleX));
  leftLayout_ = new QVBoxLayout(leftColumn_);
  leftLayout_->setContentsMargins(0, 0, 0, 0);
  leftLayout_->setSpacing(2);
  navigationArea_ = new QFrame(leftColumn_);
  navigationArea_->setFrameShape(QFrame::NoFrame);
  auto* navLayout = new QVBoxLayout(navigationArea_);
  navLayout->setContentsMargins(0, 0, 0, 0);
  leftLayout_->addWidget(navigationArea_, 0);
}

void MainWindow::buildRightArea() {
  rightStack_ = new QStackedWidget(this);
  htmlView_ = new QTextBrowser(rightStack_);
  htmlView_->setOpenExternalLinks(true);
  htmlView_->setAccessibleName(QStringLiteral("Infoseite"));
  // A right click on the page shows nothing (no copy or select-all menu), not even the main
  // window's own menu.
  htmlView_->setContextMenuPolicy(Qt::PreventContextMenu);
  pageArea_ = new QScrollArea(rightStack_);
  pageLabel_ = new QLabel(pageArea_);
  pageLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  pageArea_->setWidget(pageLabel_);
  pageArea_->setWidgetResizable(false);
  rightStack_->addWidget(htmlView_);
  rightStack_->addWidget(pageArea_);
  rightStack_->setCurrentWidget(htmlView_);
}

void MainWindow::buildStatusBar() {
  statusBar()->setMinimumHeight(scaled(kStatusBarHeight, state_.scaleY));
  for (int i = 0; i < kStatusFields; ++i) {
    statusFields_[i] = new QLabel(this);
    if (i == kProgressField) {
      // The progress bar stands in this field's place; its label only keeps the index free.
      progress_ = new QProgressBar(this);
      progress_->setRange(0, 100);
      progress_->setValue(0);
      progress_->setTextVisible(false);
      progress_->setFixedWidth(kProgressWidth);
      progress_->setMaximumHeight(scaled(kStatusBarHeight, state_.scaleY));
      statusBar()->addWidget(progress_);
      statusFields_[i]->hide();
      continue;
    }
    // Fields 0 and 1 keep their widths and grow only for a text longer than that (a larger
    // system font), so no message is cut.
    if (i == 0) {
      statusFields_[i]->setMinimumWidth(scaled(kMessageFieldWidth, state_.scaleX));
    } else if (i == 1) {
      statusFields_[i]->setMinimumWidth(scaled(kViewFieldWidth, state_.scaleX));
    } else {
      statusFields_[i]->setAlignment(Qt::AlignCenter);  // the view's source, centred
    }
    statusBar()->addWidget(statusFields_[i], i == kStatusFields - 1 ? 1 : 0);
  }
  setStatusText(3, "Original");
}

void MainWindow::setStatusText(int field, std::string_view text) {
  if (field < 0 || field >= kStatusFields) {
    return;
  }
  statusFields_[field]->setText(toQString(text));
}

std::string MainWindow::statusText(int field) const {
  if (field < 0 || field >= kStatusFields) {
    return {};
  }
  return fromQString(statusFields_[field]->text());
}

void MainWindow::setProgressRange(int maximum) {
  progress_->setRange(0, std::max(maximum, 1));
}

void MainWindow::setProgressValue(int value) {
  progress_->setValue(std::clamp(value, 0, progress_->maximum()));
}

QLabel* MainWindow::statusField(int field) const {
  return field >= 0 && field < kStatusFields && field != kProgressField ? statusFields_[field]
                                                                        : nullptr;
}

int MainWindow::progressMaximum() const {
  return progress_->maximum();
}

namespace {

std::string fieldText(const QLineEdit* edit, const std::string& kept) {
  return edit != nullptr ? fromQString(edit->text()) : kept;
}

void setFieldText(QLineEdit* edit, std::string& kept, std::string_view text) {
  if (edit != nullptr) {
    edit->setText(toQString(text));
  } else {
    kept = text;
  }
}

}  // namespace

void MainWindow::setFieldEditors(QLineEdit* apid, QLineEdit* id, QLineEdit* page) {
  apidEdit_ = apid;
  idEdit_ = id;
  pageEdit_ = page;
  setFieldText(apidEdit_, apid_, apid_);
  setFieldText(idEdit_, id_, id_);
  setFieldText(pageEdit_, page_, page_);
}

std::string MainWindow::apidField() const {
  return fieldText(apidEdit_, apid_);
}
void MainWindow::setApidField(std::string_view text) {
  setFieldText(apidEdit_, apid_, text);
}
std::string MainWindow::idField() const {
  return fieldText(idEdit_, id_);
}
void MainWindow::setIdField(std::string_view text) {
  setFieldText(idEdit_, id_, text);
}
std::string MainWindow::pageField() const {
  return fieldText(pageEdit_, page_);
}
void MainWindow::setPageField(std::string_view text) {
  setFieldText(pageEdit_, page_, text);
}

void MainWindow::showHtml(std::string_view html) {
  // The view mode is left to setImageMode: the About page goes in behind a shown page while
  // the next one is requested, and a request that cannot start leaves that page usable.
  htmlView_->setHtml(toQString(html));
}

void MainWindow::setImageMode(int mode) {
  imageMode_ = mode;
  if (mode == 0) {
    setStatusText(1, "");
    setStatusText(3, "");
  }
  rightStack_->setCurrentIndex(mode == 0 ? rightStack_->indexOf(htmlView_) : 1);
  if (imageModeHandler_) {
    imageModeHandler_(mode);
  }
}

void MainWindow::followIdAndPage() {
  if (followIdAndPage_) {
    followIdAndPage_();
  }
}

void MainWindow::refreshEntryInfo() {
  if (refreshEntryInfo_) {
    refreshEntryInfo_();
  }
}

void MainWindow::handlePostedEvent(int code, std::uintptr_t data) {
  if (code == kProgressValueEvent) {
    setProgressValue(static_cast<int>(data));
    return;
  }
  if (code >= kPageImageEvent && code <= kLookupFieldsEvent && completionHandler_) {
    completionHandler_(code, data);
    return;
  }
  if (otherEvents_) {
    otherEvents_(code, data);
  }
}

void MainWindow::setCompletionHandler(std::function<void(int, std::uintptr_t)> handler) {
  completionHandler_ = std::move(handler);
}

void MainWindow::setTreeWidget(QWidget* tree) {
  if (tree_ != nullptr) {
    leftLayout_->removeWidget(tree_);
  }
  tree_ = tree;
  if (tree_ != nullptr) {
    leftLayout_->insertWidget(0, tree_, 1);
  }
}

void MainWindow::setNavigationPanel(QWidget* panel) {
  navigationArea_->layout()->addWidget(panel);
}

void MainWindow::setPageView(QWidget* view) {
  rightStack_->removeWidget(pageArea_);
  rightStack_->insertWidget(1, view);
  pageArea_->hide();
  if (imageMode_ != 0) {
    rightStack_->setCurrentWidget(view);
  }
}

void MainWindow::setTreeShown(bool shown) {
  if (tree_ != nullptr) {
    tree_->setVisible(shown);
  }
  updateLeftColumn();
}

void MainWindow::setNavigationShown(bool shown) {
  navigationArea_->setVisible(shown);
  updateLeftColumn();
}

// The left column gives its width back to the page while neither the tree nor the
// navigation panel is shown. isHidden() is asked, not isVisible(): the window itself may not
// be shown yet.
void MainWindow::updateLeftColumn() {
  const bool treeShown = tree_ != nullptr && !tree_->isHidden();
  leftColumn_->setVisible(treeShown || !navigationArea_->isHidden());
}

void MainWindow::loadRecordFileCommand() {
  if (loadRecordFile_) {
    loadRecordFile_();
  }
}

void MainWindow::helpCommand() {
  if (help_) {
    help_();
  }
}

// F1 reaches the window when no child and no window shortcut takes it.
void MainWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
    helpCommand();
    event->accept();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!closing_) {
    closing_ = true;
    if (onClose_) {
      onClose_();
    }
  }
  event->accept();
}

}  // namespace korvalis
