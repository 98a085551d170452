#include "app/ui/main_commands.h"

#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QShortcut>
#include <QStatusBar>
#include <chrono>

#include "app/citation.h"
#include "app/ui/main_toolbar.h"
#include "app/ui/navigation_panel.h"
#include "app/ui/other_windows.h"
#include "app/ui/page_display.h"
#include "app/ui/page_requests.h"
#include "app/ui/window_frame.h"
#include "platform/cp1252.h"
#include "platform/main_view.h"
#include "platform/platform.h"

namespace korvalis {

namespace {

constexpr int kScrollStep = 10;

}  // namespace

MainCommands::MainCommands(AppState& state, Platform& platform, QMainWindow& window, MainView& view,
                           MainToolBar& toolBar, NavigationPanel& panel,
                           const CommandTargets& targets)
    : QObject(&window),
      state_(state),
      platform_(platform),
      window_(window),
      view_(view),
      toolBar_(toolBar),
      panel_(panel),
      requests_(targets.requests),
      page_(targets.page),
      windows_(targets.windows),
      frame_(targets.frame) {
  // A command whose window does not exist yet stays disabled.
  toolBar_.setButtonAvailable(nav::ToolButton::SavePage, windows_.exists(LaterWindow::SavePage));
  toolBar_.setButtonAvailable(nav::ToolButton::Print, windows_.exists(LaterWindow::Print));
  toolBar_.setButtonAvailable(nav::ToolButton::SaveWindow,
                              windows_.exists(LaterWindow::SaveWindow));
  toolBar_.setCommandHandler([this](nav::ToolButton id, bool pressed) { toolButton(id, pressed); });
  connect(&panel_, &NavigationPanel::idStepRequested, this,
          [this](bool next) { step(next ? nav::StepKind::NextId : nav::StepKind::PreviousId); });
  connect(&panel_, &NavigationPanel::pageStepRequested, this, [this](bool next) {
    step(next ? nav::StepKind::NextPage : nav::StepKind::PreviousPage);
  });
  connect(&panel_, &NavigationPanel::showRequested, this, &MainCommands::showFromFields);
  connect(&panel_, &NavigationPanel::idLookupRequested, this, [this] {
    if (!cropView_) {
      requests_.startIdLookup(kLookupFieldsEvent);
    }
  });
  connect(&panel_, &NavigationPanel::apidLookupRequested, this, [this] {
    if (!cropView_) {
      requests_.startApidLookup(kLookupFieldsEvent);
    }
  });
  for (QLineEdit* field : {panel_.apidField(), panel_.idField(), panel_.pageField()}) {
    field->installEventFilter(this);
  }
  installShortcuts();
}

MainCommands::~MainCommands() = default;

void MainCommands::addShortcut(const QKeySequence& keys, std::function<void()> run,
                               std::vector<QShortcut*>* group) {
  auto* shortcut = new QShortcut(keys, &window_);
  connect(shortcut, &QShortcut::activated, this, std::move(run));
  if (group != nullptr) {
    shortcut->setEnabled(false);
    group->push_back(shortcut);
  }
}

void MainCommands::installShortcuts() {
  using nav::StepKind;
  addShortcut(QKeySequence(Qt::Key_Escape), [this] { escape(); });
  addShortcut(QKeySequence(Qt::Key_F1), [this] { windows_.help(); });
  addShortcut(QKeySequence(Qt::Key_F3), [this] {
    if (!cropView_) {
      windows_.showSearchResults();
    }
  });
  addShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), [this] { searchCommand(); });
  addShortcut(QKeySequence(Qt::Key_Return), [this] { returnKey(); });
  addShortcut(QKeySequence(Qt::KeypadModifier | Qt::Key_Enter), [this] { returnKey(); });
  addShortcut(QKeySequence(Qt::CTRL | Qt::Key_C), [this] { copy(); });
  addShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), [this] { copyCitation(); });
  addShortcut(QKeySequence(Qt::CTRL | Qt::Key_V), [this] { paste(); });
  addShortcut(QKeySequence(Qt::Key_F11), [this] { toggleFullScreen(); });
  addShortcut(QKeySequence(Qt::Key_Left), [this] { step(StepKind::PreviousPage); });
  addShortcut(QKeySequence(Qt::Key_Right), [this] { step(StepKind::NextPage); });
  addShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Left), [this] { step(StepKind::PreviousId); });
  addShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Right), [this] { step(StepKind::NextId); });
  addShortcut(QKeySequence(Qt::ALT | Qt::Key_Left), [this] { scrollBy(-kScrollStep, 0); });
  addShortcut(QKeySequence(Qt::ALT | Qt::Key_Right), [this] { scrollBy(kScrollStep, 0); });
  addShortcut(QKeySequence(Qt::ALT | Qt::Key_Up), [this] { scrollBy(0, -kScrollStep); });
  addShortcut(QKeySequence(Qt::ALT | Qt::Key_Down), [this] { scrollBy(0, kScrollStep); });
  // The zoom keys exist only while "Zoom" is pressed.
  addShortcut(
      QKeySequence(Qt::Key_Plus), [this] { zoomIn(); }, &zoomShortcuts_);
  addShortcut(
      QKeySequence(Qt::KeypadModifier | Qt::Key_Plus), [this] { zoomIn(); }, &zoomShortcuts_);
  addShortcut(
      QKeySequence(Qt::Key_Minus), [this] { zoomOut(); }, &zoomShortcuts_);
  addShortcut(
      QKeySequence(Qt::KeypadModifier | Qt::Key_Minus), [this] { zoomOut(); }, &zoomShortcuts_);
}

bool MainCommands::eventFilter(QObject* watched, QEvent* event) {
  // The text fields handle copy, paste and Return themselves; take those keys to the
  // window's commands so the whole field is copied or replaced and Return looks up.
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Copy)) {
      copy();
      return true;
    }
    if (key->matches(QKeySequence::Paste)) {
      paste();
      return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      returnKey();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

void MainCommands::show() const {
  page_.showPageImage();
}

void MainCommands::mirrorZoomControls() {
  using nav::ToolButton;
  toolBar_.setPressed(ToolButton::OriginalSize, zoom_.originalSizePressed);
  toolBar_.setPressed(ToolButton::Zoom, zoom_.zoomPressed);
  // The two toggles lock each other out only while a page is shown; otherwise the page-tool
  // rule keeps both disabled.
  if (state_.view.pageShown) {
    toolBar_.setButtonEnabled(ToolButton::OriginalSize, zoom_.originalSizeEnabled);
    toolBar_.setButtonEnabled(ToolButton::Zoom, zoom_.zoomEnabled);
  }
  for (QShortcut* s : zoomShortcuts_) {
    s->setEnabled(zoom_.zoomPressed);
  }
}

bool MainCommands::zoomKeysActive() const {
  return !zoomShortcuts_.empty() && zoomShortcuts_.front()->isEnabled();
}

void MainCommands::toolButton(nav::ToolButton id, bool pressed) {
  using enum nav::ToolButton;
  if (cropView_ && nav::isLockedInCropView(id)) {
    return;  // disabled in crop view; a programmatic trigger must not slip through either
  }
  switch (id) {
    case Tree:
      state_.view.treeVisible = pressed;
      frame_.setTreeShown(pressed);
      if (!pressed) {
        frame_.setNavigationShown(false);
        toolBar_.setPressed(Navigate, false);
      }
      toolBar_.setButtonEnabled(Navigate, pressed);
      show();
      break;
    case LoadRecordFile:
      frame_.loadRecordFile();
      break;
    case SaveWindow:
      windows_.setSaveWindowShown(pressed);
      break;
    case SavePage:
      windows_.savePage();
      break;
    case Print:
      windows_.print(toolBar_.isPressed(Crop));
      break;
    case Navigate:
      frame_.setNavigationShown(pressed);
      show();
      break;
    case ShowPage:
      page_.openDocument();
      break;
    case Search:
      searchCommand();
      break;
    case OriginalSize:
      nav::setOriginalSize(state_.view, zoom_, pressed);
      mirrorZoomControls();
      show();
      break;
    case Zoom:
      nav::setZoomMode(state_.view, zoom_, pressed);
      page_.setHandCursor(pressed);
      mirrorZoomControls();
      show();
      break;
    case Crop:
      // Only a shown cut-out gives the button a meaning: pressing it again ends crop view.
      if (cropView_) {
        endCropView();
      }
      break;
    case RotateRight:
    case RotateLeft:
      if (page_.hasPageImage() && !state_.request.inFlight()) {
        page_.rotatePage(id == RotateLeft ? 90 : -90);
        show();
      }
      break;
    case PostProcess:
      if (page_.hasPageImage() && !state_.request.inFlight()) {
        window_.setEnabled(false);
        page_.openPostProcessing();
      }
      break;
    case Help:
      windows_.help();
      break;
  }
}

void MainCommands::escape() {
  if (cropView_) {
    endCropView();
    return;
  }
  if (!requests_.abortPageDownload()) {
    return;
  }
  state_.request.currentRequest = 0;
  view_.setImageMode(0);
  state_.view.pageShown = false;
  view_.setStatusText(0, " Abbruch!");
}

QWidget* MainCommands::focusedTextField() const {
  QWidget* focus = window_.focusWidget();
  return panel_.isTextField(focus) ? focus : nullptr;
}

void MainCommands::returnKey() {
  if (cropView_) {
    return;
  }
  QWidget* focus = window_.focusWidget();
  if (focus == panel_.apidField()) {
    requests_.startIdLookup(kLookupEvent);
  } else if (focus == panel_.idField() || focus == panel_.pageField()) {
    if (requests_.startApidLookup(kLookupEvent)) {
      view_.followIdAndPage();
      requests_.loadPage();
    }
  } else if (frame_.treeHasFocus()) {
    requests_.loadTreePage();
  }
}

void MainCommands::step(nav::StepKind kind) {
  if (cropView_) {
    return;
  }
  const nav::StepResult result = nav::step(kind, view_.idField(), view_.pageField());
  view_.setStatusText(0, result.statusText);
  if (result.outcome != nav::StepOutcome::Changed) {
    return;
  }
  view_.setIdField(result.idText);
  view_.setPageField(result.pageText);
  view_.followIdAndPage();
  if (panel_.isImmediateDisplay()) {
    view_.showHtml(state_.aboutHtml);
    requests_.loadPage();
  }
}

void MainCommands::showFromFields() {
  if (cropView_) {
    return;
  }
  if (!requests_.startApidLookup(kLookupEvent)) {
    return;
  }
  view_.showHtml(state_.aboutHtml);
  view_.followIdAndPage();
  requests_.loadPage();
}

void MainCommands::copy() {
  if (auto* field = qobject_cast<QLineEdit*>(focusedTextField())) {
    // The clipboard speaks Windows-1252; characters outside it become "?".
    const QByteArray utf8 = field->text().toUtf8();
    const auto text = utf8ToCp1252(std::string_view(utf8.constData(), utf8.size()));
    platform_.setClipboardText(text ? *text : field->text().toLatin1().toStdString());
    return;
  }
  if (cropView_) {
    platform_.setClipboardImage(page_.viewImage());  // the cut-out
    return;
  }
  if (state_.view.pageShown && page_.hasPageImage()) {
    platform_.setClipboardImage(page_.pageImage());
  }
}

bool MainCommands::canCite() const {
  return state_.view.pageShown && !state_.view.pageIdentity.empty();
}

void MainCommands::copyCitation() {
  if (!canCite()) {
    return;
  }
  const PageIdentity& shown = state_.view.pageIdentity;
  const PageCitation citation =
      makePageCitation(state_.session.records.list, shown.id, shown.page, shown.apid,
                       state_.request.servicePrefix, isoDay(std::chrono::system_clock::now()));
  platform_.setClipboardText(citationText(citation));
}

void MainCommands::fillPageMenu(QMenu& menu) {
  QAction* cite =
      menu.addAction(QStringLiteral("Quelle kopieren"), this, &MainCommands::copyCitation);
  cite->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
  cite->setEnabled(canCite());
}

void MainCommands::showPageMenu(QPoint globalPos) {
  if (cropView_) {
    return;
  }
  QMenu menu(&window_);
  fillPageMenu(menu);
  menu.exec(globalPos);
}

void MainCommands::paste() {
  if (auto* field = qobject_cast<QLineEdit*>(focusedTextField())) {
    if (cropView_) {
      return;  // crop view takes only images
    }
    const std::string text = platform_.clipboardText();
    if (!text.empty()) {
      field->setText(QString::fromStdString(cp1252ToUtf8(text)));
    }
    return;
  }
  Image image = platform_.clipboardImage();
  if (image.isNull()) {
    return;
  }
  if (cropView_) {
    endCropView();  // the pasted image is a new page
  }
  nav::resetForNewPage(state_.view, zoom_);
  state_.view.pageShown = true;
  state_.view.viewImage = ViewImage::Page;
  page_.setHandCursor(false);
  mirrorZoomControls();
  page_.setPageImage(std::move(image));
  show();
  view_.setImageMode(1);
  mirrorZoomControls();
  state_.view.pageBytes.reset();
  state_.view.pageIdentity = {};
  view_.setStatusText(3, "Kopie");
}

void MainCommands::toggleFullScreen() {
  // Entering needs a page; leaving is always possible, also after Esc or a failed page took
  // the page away.
  if (!state_.view.fullScreen && !state_.view.pageShown) {
    return;
  }
  using nav::ToolButton;
  if (!state_.view.fullScreen) {
    state_.view.fullScreen = true;
    wasMaximized_ = window_.isMaximized();
    normalGeometry_ = window_.normalGeometry();
    navigateWasPressed_ = toolBar_.isPressed(ToolButton::Navigate);
    frame_.setTreeShown(false);
    frame_.setNavigationShown(false);
    toolBar_.hide();
    window_.statusBar()->hide();
    frame_.setMonitorButtonShown(false);
    window_.showFullScreen();
  } else {
    state_.view.fullScreen = false;
    if (wasMaximized_) {
      window_.setGeometry(normalGeometry_);  // where "restore" takes it later
      window_.showMaximized();
    } else {
      window_.showNormal();
      window_.setGeometry(normalGeometry_);
    }
    toolBar_.show();
    window_.statusBar()->show();
    frame_.setMonitorButtonShown(true);
    frame_.setTreeShown(state_.view.treeVisible);
    frame_.setNavigationShown(state_.view.treeVisible && navigateWasPressed_);
    toolBar_.setPressed(ToolButton::Navigate, navigateWasPressed_);
  }
  show();
}

void MainCommands::scrollBy(int dx, int dy) {
  page_.scrollBy(dx, dy);
}

void MainCommands::zoomIn() {
  if (cropView_) {
    return;
  }
  if (nav::zoomIn(state_.view, zoom_, page_.displayWidth(), page_.pageImage().width())) {
    show();
  }
}

void MainCommands::zoomOut() {
  if (cropView_) {
    return;
  }
  if (nav::zoomOut(state_.view, zoom_)) {
    show();
  }
}

void MainCommands::searchCommand() {
  if (cropView_) {
    return;
  }
  const std::string text =
      platform_.askText("Datendatei durchsuchen", "Gesuchter Begriff:", "", 1, 0, 0);
  if (text.empty()) {
    return;  // cancelled or nothing typed: searching for nothing finds nothing
  }
  windows_.search(text);
  windows_.showSearchResults();
}

void MainCommands::completion(int code, std::uintptr_t job) {
  if (code == kPageImageEvent) {
    if (requests_.handlePageAnswer(job) == PageAnswer::Shown) {
      const RequestState& request = state_.request;
      state_.view.pageIdentity = {request.requestId, request.requestPage, request.currentApid};
      nav::resetForNewPage(state_.view, zoom_);
      page_.setHandCursor(false);
      state_.view.pageShown = true;
      state_.view.viewImage = ViewImage::Page;
      show();
      view_.setImageMode(1);
      mirrorZoomControls();
      view_.setStatusText(0, " Fertig.");
      view_.setStatusText(3, "Original");
      if (state_.request.cacheFailureToShow) {
        // Once: from then on the program works as without the cache.
        view_.setStatusText(0, " Fertig. (Seiten-Cache nicht beschreibbar)");
        state_.request.cacheFailureToShow = false;
        state_.request.cacheFailureShown = true;
      }
    }
  } else if (code == kLookupEvent || code == kLookupFieldsEvent) {
    requests_.handleLookupAnswer(code, job);
  } else {
    return;
  }
  // A late answer of an earlier job must not make the window forget the request in flight.
  if (state_.request.currentRequest == job) {
    state_.request.currentRequest = 0;
  }
}

void MainCommands::popupSave() {
  if (cropView_ || !windows_.exists(LaterWindow::SaveWindow)) {
    return;
  }
  // The save window disables the main window's contents itself: disabling the main window
  // would disable its child window too.
  windows_.openSaveWindowForSelection();
}

void MainCommands::popupInfo() {
  if (!cropView_) {
    windows_.showEntryInfo();
  }
}

void MainCommands::fillTreeMenu(QMenu& menu) {
  QAction* save = menu.addAction(QStringLiteral("Speichern..."), this, &MainCommands::popupSave);
  save->setEnabled(windows_.exists(LaterWindow::SaveWindow));
  menu.addAction(QStringLiteral("Zeige Info"), this, &MainCommands::popupInfo);
}

void MainCommands::showTreeMenu(QPoint globalPos) {
  if (cropView_) {
    return;
  }
  QMenu menu(&window_);
  fillTreeMenu(menu);
  menu.exec(globalPos);
}

void MainCommands::cropStarted() {
  toolBar_.setPressed(nav::ToolButton::Crop, true);
  toolBar_.setButtonEnabled(nav::ToolButton::Crop, false);
}

void MainCommands::cropFinished(bool accepted) {
  using nav::ToolButton;
  if (!accepted) {
    toolBar_.setPressed(ToolButton::Crop, false);
    toolBar_.setButtonEnabled(ToolButton::Crop, true);
    return;
  }
  cropView_ = true;
  state_.view.viewMode = true;
  lockedButtons_.clear();
  for (const auto& button : nav::toolButtons()) {
    if (nav::isLockedInCropView(button.id)) {
      lockedButtons_.emplace_back(button.id, toolBar_.isButtonEnabled(button.id));
      toolBar_.setButtonEnabled(button.id, false);
    }
  }
  // Shown pressed, and pressable: pressing it again ends crop view.
  toolBar_.setPressed(ToolButton::Crop, true);
  toolBar_.setButtonEnabled(ToolButton::Crop, true);
}

void MainCommands::endCropView() {
  using nav::ToolButton;
  cropView_ = false;
  toolBar_.setPressed(ToolButton::Crop, false);
  toolBar_.setButtonEnabled(ToolButton::Crop, true);
  // The locked buttons come back as they were: the record file, the tree, searching and the
  // page tools stay usable after a look at a cut-out.
  for (const auto& [id, enabled] : lockedButtons_) {
    toolBar_.setButtonEnabled(id, enabled);
  }
  lockedButtons_.clear();
  state_.view.viewMode = false;
  page_.endCropView();
}

void MainCommands::pageOpened() {
  nav::resetForNewPage(state_.view, zoom_);
  page_.setHandCursor(false);
  mirrorZoomControls();
}

}  // namespace korvalis
