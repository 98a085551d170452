#include "app/ui/program.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <vector>

#include "app/app_state.h"
#include "app/connection_monitor.h"
#include "app/display_scale.h"
#include "app/help.h"
#include "app/program_state.h"
#include "app/site_reachability.h"
#include "app/startup_notice_text.h"
#include "app/ui/accessible_roles.h"
#include "app/ui/main_commands.h"
#include "app/ui/main_toolbar.h"
#include "app/ui/main_window.h"
#include "app/ui/navigation_panel.h"
#include "app/ui/other_windows.h"
#include "app/ui/page_display.h"
#include "app/ui/page_requests.h"
#include "app/ui/resize_watch.h"
#include "app/ui/screen_fit.h"
#include "app/ui/window_frame.h"
#include "archive/archive_address.h"
#include "archive/curl_global.h"
#include "archive/event_codes.h"
#include "archive/page_address.h"
#include "archive/page_cache.h"
#include "archive/page_prefetch.h"
#include "archive/transfer_engine.h"
#include "batch/ui/save_window.h"
#include "platform/qt/qt_event_target.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_text.h"
#include "print/ui/pdf_export_window.h"
#include "print/ui/print_window.h"
#include "records/load_outcome.h"
#include "records/ui/record_tree_view.h"
#include "records/ui/records_controller.h"
#include "viewer/ui/page_saver.h"
#include "viewer/ui/page_view.h"
#include "viewer/ui/post_process_window.h"

// The resources of a static library are registered by hand, from the global namespace.
static void initMonitorIcons() {
  Q_INIT_RESOURCE(monitor_icons);
}

namespace korvalis {

namespace {

// The reachability check gives up well before the wait for the monitor at exit: the loop
// looks at its flag after the check and one fifth of its 5-second period.
constexpr long kMonitorTimeoutMs = 3000;
constexpr int kNoticeWidth = 240;
constexpr int kNoticeHeight = 120;
// The state file's entry for the printer chosen in the print window.
constexpr std::string_view kPrinterStateKey = "printer";
static_assert(std::chrono::milliseconds(kMonitorTimeoutMs + 5000 / 5) < kMonitorWaitLimit);

QString monitorText(MonitorIcon icon) {
  switch (icon) {
    case MonitorIcon::Connection:
      return QStringLiteral("Verbindung");
    case MonitorIcon::NoConnection:
      return QStringLiteral("Keine Verbindung");
    case MonitorIcon::Idle:
      break;
  }
  return QStringLiteral("Monitor aus");
}

QIcon monitorIcon(MonitorIcon icon) {
  switch (icon) {
    case MonitorIcon::Connection:
      return QIcon(QStringLiteral(":/monitor/connection.png"));
    case MonitorIcon::NoConnection:
      return QIcon(QStringLiteral(":/monitor/no_connection.png"));
    case MonitorIcon::Idle:
      break;
  }
  return QIcon(QStringLiteral(":/monitor/idle.png"));
}

// The monitor's button shows the state of the connection to the archive's site.
void showMonitorState(QPushButton& button, MonitorIcon icon) {
  button.setIcon(monitorIcon(icon));
  button.setToolTip(monitorText(icon));
  button.setAccessibleName(monitorText(icon));
}

// Keeps the start-up notice, which stays above every window, from covering a dialog the user
// has to answer: it is hidden while a modal dialog blocks it and shown again after.
class NoticeStepsAside final : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (auto* notice = qobject_cast<QWidget*>(watched)) {
      if (event->type() == QEvent::WindowBlocked) {
        notice->hide();
      } else if (event->type() == QEvent::WindowUnblocked) {
        notice->show();
      }
    }
    return QObject::eventFilter(watched, event);
  }
};

// The start-up notice: mode 1 while starting, mode 2 around later loads, mode 0 closes it.
// No title, above the other windows (but never above a modal dialog), 240 x (120 x scaleY) and
// centred on the screen.
void showStartupNotice(std::unique_ptr<QLabel>& notice, int mode, const std::string& version,
                       float scaleY) {
  if (mode != 1 && mode != 2) {
    notice.reset();
    return;
  }
  if (!notice) {
    notice = std::make_unique<QLabel>(nullptr, Qt::SplashScreen | Qt::WindowStaysOnTopHint);
    notice->setAlignment(Qt::AlignCenter);
    notice->setFixedSize(kNoticeWidth, scaled(kNoticeHeight, scaleY));
    notice->installEventFilter(new NoticeStepsAside(notice.get()));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect place = notice->geometry();
      place.moveCenter(screen->availableGeometry().center());
      notice->move(place.topLeft());
    }
  }
  notice->setText(toQString(startupNoticeHtml(mode, version)));
  notice->show();
  notice->repaint();
}

// The program ends with its main window: every other window still open closes before it, the
// windows without a parent (the help pages) too, so the main window is the last to close and
// the event loop ends.
void closeOtherWindows(const QWidget& mainWindow) {
  std::vector<QPointer<QWidget>> others;
  for (QWidget* other : QApplication::topLevelWidgets()) {
    if (other != &mainWindow && other->isVisible()) {
      others.emplace_back(other);
    }
  }
  for (const QPointer<QWidget>& other : others) {
    if (other) {
      other->close();
    }
  }
}

EntryAddress addressOf(const RecordEntry& entry) {
  return {entry.apid(), entry.id(), entry.pages()};
}

// Page requests on the transfer engine, for the record tree's entries and the fields. The
// look-ups before a download and the page fetched ahead answer through their own event target,
// whose events end with this object.
class ArchiveRequests final : public PageRequests {
 public:
  ArchiveRequests(ArchiveContext& context, const RecordSession& session,
                  const RecordsController& records, PageView& view, PageCache& cache)
      : context_(context),
        session_(session),
        records_(records),
        view_(view),
        steps_(QtEventTarget::create(
            &eventHost_,
            [this](int code, std::uintptr_t job) { HandleRequestEvent(context_, code, job); })),
        prefetch_(context.engine, context.request, steps_) {
    context_.steps = steps_;
    context_.prefetch = &prefetch_;
    context_.cache = &cache;
    prefetch_.setCache(&cache);
  }
  ~ArchiveRequests() override {
    context_.cache = nullptr;
    context_.prefetch = nullptr;
    context_.steps = nullptr;
  }
  ArchiveRequests(const ArchiveRequests&) = delete;
  ArchiveRequests& operator=(const ArchiveRequests&) = delete;

  void loadPage() override { LoadPage(context_); }
  void loadTreePage() override { loadEntryPage(records_.selectedLeafEntry()); }
  void startIdLookup(int code) override { StartIdLookup(context_, code); }
  bool startApidLookup(int code) override { return StartApidLookup(context_, code); }
  void handleLookupAnswer(int code, std::uintptr_t job) override {
    HandleLookupAnswer(context_, code, job);
  }
  PageAnswer handlePageAnswer(std::uintptr_t job) override {
    return HandlePageAnswer(context_, job, [this](std::span<const unsigned char> bytes) {
      return view_.acceptPageBytes(bytes);
    });
  }
  bool abortPageDownload() override { return korvalis::abortPageDownload(context_); }

  /// The first page of `entry`; nothing for an identity that names no entry.
  void loadEntryPage(EntryId entry) {
    if (const RecordEntry* found = session_.records.list.find(entry)) {
      LoadTreePage(context_, addressOf(*found));
    }
  }

 private:
  ArchiveContext& context_;
  const RecordSession& session_;
  const RecordsController& records_;
  PageView& view_;
  QObject eventHost_;  // events of steps_ are dropped once it is gone
  std::shared_ptr<QtEventTarget> steps_;
  PagePrefetch prefetch_;
};

// The page view, with the post-processing window it opens.
class ViewerDisplay final : public PageDisplay {
 public:
  ViewerDisplay(PageView& view, QWidget& window, Platform& platform, const AppState& state)
      : view_(view), window_(window), platform_(platform), state_(state) {}

  void showPageImage() override { view_.showPageImage(); }
  void rotatePage(int angle) override { view_.rotatePage(angle); }
  void openDocument() override { view_.openDocument(platform_, state_.imageFilterWithTiff); }
  bool hasPageImage() const override { return view_.hasPageImage(); }
  const Image& pageImage() const override { return view_.pageImage(); }
  const Image& viewImage() const override { return view_.viewImage(); }
  void setPageImage(Image image) override { view_.setPageImage(std::move(image)); }
  int displayWidth() const override { return view_.displayImage().width(); }
  void setHandCursor(bool hand) override { view_.setHandCursor(hand); }
  void scrollBy(int dx, int dy) override {
    view_.horizontalScrollBar()->setValue(view_.horizontalScrollBar()->value() + dx);
    view_.verticalScrollBar()->setValue(view_.verticalScrollBar()->value() + dy);
  }
  void endCropView() override { view_.endCutOut(); }

  void openPostProcessing() override {
    const bool first = !postProcessing_;
    if (first) {
      PostProcessPage page{[this] { return view_.pageSnapshot(); },
                           [this] { return view_.pageNumber(); },
                           [this](SharedImage edited) {
                             view_.replaceEditedPage(std::move(edited));
                             view_.showPageImage();
                           }};
      postProcessing_ = std::make_unique<PostProcessWindow>(std::move(page), [this] {
        window_.setEnabled(true);
        window_.activateWindow();
      });
      setWindowOwner(*postProcessing_, window_);
    }
    postProcessing_->open();
    if (first) {
      // It has no parent window to be placed by: it starts over the page area.
      const QRect area(view_.mapToGlobal(QPoint(0, 0)), view_.size());
      QRect frame = postProcessing_->frameGeometry();
      frame.moveCenter(area.center());
      postProcessing_->move(frame.topLeft());
    }
  }

 private:
  PageView& view_;
  QWidget& window_;
  Platform& platform_;
  const AppState& state_;
  // A window of its own (no parent widget): the main window is disabled while it is open. It
  // belongs to the main window all the same, which it stays above.
  std::unique_ptr<PostProcessWindow> postProcessing_;
};

// The save window's plain values from the program's state: the archive's service, the
// folders its dialogs start in and the display scale. Its target folder is the program's own,
// shared with "Seite speichern".
SaveWindowSettings saveWindowSettings(AppState& state) {
  SaveWindowSettings settings;
  settings.servicePrefix = state.request.servicePrefix;
  settings.pagePrefix = state.request.servicePrefix + "dgs:";
  settings.pageSuffix = "/$dist";
  settings.requestLimit = state.request.requestLimit;
  settings.linkDir = state.linkDir;
  settings.saveListDir = state.saveListDir;
  settings.sharedPageSaveDir = &state.pageSaveDir;
  settings.slotCount = 3;
  settings.scaleX = state.scaleX;
  settings.scaleY = state.scaleY;
  return settings;
}

// Swallows the keyboard shortcuts it watches: the main window's shortcuts belong to the main
// window itself, which stays enabled while its contents are disabled.
class ShortcutBlocker final : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    return event->type() == QEvent::Shortcut || QObject::eventFilter(watched, event);
  }
};

// Enables or disables what the main window holds: central area, tool bar, status bar, the
// monitor's button and its keyboard shortcuts. Not the main window itself: Qt would disable its
// child windows with it, the save window among them.
void setMainWindowContentsEnabled(QMainWindow& window, bool enabled, ShortcutBlocker& blocker) {
  for (QWidget* part : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!part->isWindow()) {
      part->setEnabled(enabled);
    }
  }
  for (QShortcut* shortcut : window.findChildren<QShortcut*>(Qt::FindDirectChildrenOnly)) {
    if (enabled) {
      shortcut->removeEventFilter(&blocker);
    } else {
      shortcut->installEventFilter(&blocker);
    }
  }
}

// The windows beside the main window. The later windows are built here: each gets a member,
// is constructed in the constructor, answers exists() with true and runs in its command.
class ProgramWindows final : public OtherWindows {
 public:
  ProgramWindows(RecordsController& records, Platform& platform, AppState& state,
                 TransferEngine& engine, MainWindow& window, const PageView& view,
                 MainToolBar& toolBar, PageCache& cache)
      : records_(records),
        platform_(platform),
        state_(state),
        window_(window),
        view_(view),
        toolBar_(toolBar),
        pdfExport_(new PdfExportWindow(platform, &window, [this] { help(); })),
        pageSaver_(
            platform, &window, [&window](std::string_view text) { window.setStatusText(0, text); },
            [this](const std::string& pdfPath, const PageSource& source) {
              pdfExport_->open(pdfPath, source);
            }),
        saveWindow_(std::make_unique<SaveWindow>(
            platform, engine, saveWindowSettings(state), [this] { help(); }, &window)) {
    // The batch download takes pages kept on disk and keeps what it downloads.
    saveWindow_->setPageCache(&cache);
    saveWindow_->setMainWindowControl([this, &window](bool enabled) {
      setMainWindowContentsEnabled(window, enabled, shortcutBlocker_);
    });
    saveWindow_->setToggleHandler(
        [&toolBar](bool pressed) { toolBar.setPressed(nav::ToolButton::SaveWindow, pressed); });
  }

  bool exists(LaterWindow /*window*/) const override { return true; }
  void savePage() override;
  void print(bool cropped) override;
  void setSaveWindowShown(bool shown) override { saveWindow_->setShown(shown); }
  // The tree pop-up's "Speichern...": the selected item's entry becomes current and the save
  // window opens for it; an item without an entry gets the save window's warning instead.
  void openSaveWindowForSelection() override {
    const RecordEntry* entry = state_.session.records.list.find(records_.selectedLeafEntry());
    if (entry == nullptr) {
      saveWindow_->reportMissingEntry();
      return;
    }
    records_.refreshEntryInfo();  // makes it current, as a click on it does
    saveWindow_->openForEntry(entry->id(), entry->pages());
  }

  void showEntryInfo() override { records_.showInfoWindow(); }
  void search(std::string_view text) override { records_.runSearch(text); }
  void showSearchResults() override { records_.showSearchWindow(); }
  void help() override { showHelp(platform_, state_); }

  /// The main window's close steps: the later windows that stay open beside it close too; a
  /// running batch is stopped first (its workers end before the engine goes).
  void closeLaterWindows() {
    pdfExport_->close();
    saveWindow_->commands().stopBatch();
    saveWindow_->close();
    // The save window's dialogs' last folders, for the state an installed program keeps.
    state_.linkDir = saveWindow_->commands().settings().linkDir;
    state_.saveListDir = saveWindow_->commands().settings().saveListDir;
  }

 private:
  RecordsController& records_;
  Platform& platform_;
  AppState& state_;
  MainWindow& window_;
  const PageView& view_;
  const MainToolBar& toolBar_;
  PdfExportWindow* pdfExport_;  // owned by the main window
  PageSaver pageSaver_;
  ShortcutBlocker shortcutBlocker_;
  // Owned here, not by its parent the main window: its batch workers use the transfer engine,
  // which goes before the main window does.
  std::unique_ptr<SaveWindow> saveWindow_;
};

// "Seite speichern" (also in crop view): the kept downloaded bytes, the page image, or with
// "Zoom" or "Ausschnitt" pressed the shown image (the cut-out at full resolution in crop view).
// The page is taken as a snapshot before the dialogs open: a page arriving while they are
// open is not the one the user chose to save.
void ProgramWindows::savePage() {
  const PageSource source = view_.pageSource(toolBar_.isPressed(nav::ToolButton::Zoom) ||
                                             toolBar_.isPressed(nav::ToolButton::Crop));
  pageSaver_.saveDisplayedPage(source, state_.pageSaveDir);
  saveWindow_->commands().showTargetFolder();  // the folder it shares may have moved
}

// "Drucken": the page image, or the cut-out shown while "Ausschnitt" is pressed. The print
// window runs modally over the disabled main window. The printer chosen in it is remembered in
// the program's state file and preselected the next time, also after a new start; the user's
// default printer is left alone.
void ProgramWindows::print(bool cropped) {
  // A snapshot: the window runs an event loop in which another page may arrive.
  SharedImage image = cropped ? view_.displaySnapshot() : view_.pageSnapshot();
  std::string printer = readStateValue(kPrinterStateKey).value_or(std::string());
  const std::string before = printer;
  PrintWindow::runPrintWindow(
      platform_, image ? std::move(image) : makeSharedImage(Image{}), [this] { help(); }, &window_,
      printer);
  if (printer != before) {
    writeStateValue(kPrinterStateKey, printer);
  }
}

// The main window's left column, the monitor's button and the record-file command.
class ProgramFrame final : public WindowFrame {
 public:
  ProgramFrame(MainWindow& window, const RecordsController& records, QPushButton& monitorButton)
      : window_(window), records_(records), monitorButton_(monitorButton) {}

  void setTreeShown(bool shown) override { window_.setTreeShown(shown); }
  void setNavigationShown(bool shown) override { window_.setNavigationShown(shown); }
  void setMonitorButtonShown(bool shown) override { monitorButton_.setVisible(shown); }
  bool treeHasFocus() const override { return records_.treeView()->hasFocus(); }
  void loadRecordFile() override { window_.loadRecordFileCommand(); }

 private:
  MainWindow& window_;
  const RecordsController& records_;
  QPushButton& monitorButton_;
};

}  // namespace

struct Program::Parts {
  Parts(AppState& appState, Platform& shellPlatform)
      : state(appState),
        platform(shellPlatform),
        window(state),
        records(
            state.session, platform, &window, [this] { showHelp(platform, state); }, state.scaleX,
            state.scaleY),
        engine(curl, caBundleFile()),
        cache(PageCache::defaultFolder(), readArchiveAddress().address.cacheMb << 20),
        toolBar(new MainToolBar(&window)),
        panel(new NavigationPanel(state.scaleX, &window)),
        pageView(new PageView(state.view, window, &window)),
        monitorButton(new QPushButton(&window)),
        context{state.request,        window,          engine,
                window.eventTarget(), state.aboutHtml, state.view.pageShown},
        requests(context, state.session, records, *pageView, cache),
        display(*pageView, window, platform, state),
        windows(records, platform, state, engine, window, *pageView, *toolBar, cache),
        frame(window, records, *monitorButton),
        commands(new MainCommands(state, platform, window, window, *toolBar, *panel,
                                  CommandTargets{requests, display, windows, frame})) {
    // The least time between two requests to the archive (request_interval_ms).
    engine.setRequestInterval(
        std::chrono::milliseconds(readArchiveAddress().address.requestIntervalMs));
  }

  AppState& state;
  Platform& platform;
  MainWindow window;
  RecordsController records;
  CurlGlobal curl;  // the HTTP library's set-up, kept while the engine and the monitor run
  TransferEngine engine;
  PageCache cache;  // the pages kept on disk
  // Owned by the window.
  MainToolBar* toolBar;
  NavigationPanel* panel;
  PageView* pageView;
  QPushButton* monitorButton;
  ArchiveContext context;
  ArchiveRequests requests;
  ViewerDisplay display;
  ProgramWindows windows;
  ProgramFrame frame;
  MainCommands* commands;  // owned by the window
  std::unique_ptr<ResizeWatch> pageRefit;
  std::unique_ptr<ResizeWatch> monitorCorner;
  std::unique_ptr<ConnectionMonitor> monitor;
  std::unique_ptr<QLabel> notice;

  void placeParts();
  void connectParts();
  void connectTreeToEntryInfo();
  void buildMonitor();
};

void Program::Parts::placeParts() {
  window.setHelpHandler([this] { windows.help(); });
  records.setMainView(&window);
  window.setTreeWidget(records.treeView());
  window.setRecordHooks([this] { records.followIdAndPage(); },
                        [this] { records.refreshEntryInfo(); });
  window.addToolBar(Qt::TopToolBarArea, toolBar);
  window.setNavigationPanel(panel);
  window.setFieldEditors(panel->apidField(), panel->idField(), panel->pageField());
  window.setPageView(pageView);
  // Tab follows the layout: the tool bar, the tree below it, the navigation panel below the
  // tree, then the page.
  QWidget* lastTool = toolBar->widgetForAction(toolBar->action(nav::toolButtons().back().id));
  QWidget::setTabOrder(lastTool, records.treeView());
  QWidget::setTabOrder(records.treeView(), panel->apidField());
  pageView->setMetricsSource([this] {
    WindowMetrics m;
    m.innerWidth = window.width();
    m.innerHeight = window.height();
    const QWidget* tree = records.treeView();
    m.treeShown = tree != nullptr && tree->isVisible();
    m.treeWidth = tree != nullptr ? tree->width() : 0;
    m.statusBarHeight = window.statusBar()->height();
    m.toolBarHeight = toolBar->isVisible() ? toolBar->height() : 0;
    return m;
  });
  pageView->setToolStateSource([this] {
    return PageView::ToolState{toolBar->isPressed(nav::ToolButton::OriginalSize),
                               toolBar->isPressed(nav::ToolButton::Crop)};
  });
  pageView->setRequestSource([this] { return pageRequestRunning(state.request); });
  window.setImageModeHandler([this](int mode) { toolBar->setPageToolsEnabled(mode == 1); });
  toolBar->setPageToolsEnabled(false);
  // A new window size fits the shown page anew (the cut-out of crop view is shown as it is).
  pageRefit = std::make_unique<ResizeWatch>(
      window,
      [this] {
        if (state.view.pageShown) {
          pageView->showPageImage();
        }
      },
      ResizeWatch::Timing::Coalesced);
}

void Program::Parts::connectParts() {
  window.setCompletionHandler(
      [this](int code, std::uintptr_t job) { commands->completion(code, job); });
  // The page download's progress goes to the status bar's progress field.
  engine.setProgressTarget(window.eventTarget());
  QObject::connect(pageView, &PageView::cropStarted, commands, &MainCommands::cropStarted);
  QObject::connect(pageView, &PageView::cropFinished, commands, &MainCommands::cropFinished);
  QObject::connect(pageView, &PageView::pageOpened, commands, &MainCommands::pageOpened);
  QObject::connect(pageView, &PageView::pageMenuRequested, commands, &MainCommands::showPageMenu);
  QObject::connect(&records, &RecordsController::treeDoubleClicked, commands, [this] {
    if (!commands->inCropView()) {
      requests.loadEntryPage(records.selectedLeafEntry());
    }
  });
  QObject::connect(&records, &RecordsController::treeContextMenuRequested, commands,
                   &MainCommands::showTreeMenu);
  connectTreeToEntryInfo();
}

// A click, a change of selection by the keys and a right click on the tree show that item's
// information in the fields and the "Info" window.
void Program::Parts::connectTreeToEntryInfo() {
  QObject::connect(&records, &RecordsController::treeSelectionChanged, commands,
                   [this] { records.refreshEntryInfo(); });
}

void Program::Parts::buildMonitor() {
  initMonitorIcons();
  // The monitor's 24 x 24 toggle button stays at the window's inner top-right corner
  // (x = width - 30, y = 5), above the tool bar, whatever the window's size.
  monitorButton->setFlat(true);
  monitorButton->setCheckable(true);
  monitorButton->setFixedSize(24, 24);
  monitorButton->setIconSize(QSize(24, 24));
  showMonitorState(*monitorButton, MonitorIcon::Idle);
  const auto keepInCorner = [this] {
    monitorButton->move(window.width() - 30, 5);
    monitorButton->raise();
  };
  keepInCorner();
  monitorCorner =
      std::make_unique<ResizeWatch>(window, keepInCorner, ResizeWatch::Timing::Immediately);
  // Icons come tagged with their run: a late one of a stopped run is dropped, so the button
  // keeps what it showed when it was switched off, and a new run's icon is never overwritten.
  window.setOtherEventHandler([this](int code, std::uintptr_t data) {
    if (code == kMonitorIconEvent && monitor->acceptsIcon(monitorRunOf(data))) {
      showMonitorState(*monitorButton, monitorIconOf(data));
    }
  });
  const std::shared_ptr<QtEventTarget> target = window.eventTarget();
  monitor = std::make_unique<ConnectionMonitor>(
      [this, site = state.siteUrl, ca = caBundleFile()] {
        return checkSiteReachable(curl, site, ca, kMonitorTimeoutMs);
      },
      [target](std::uint32_t run, MonitorIcon icon) {
        target->postEvent(kMonitorIconEvent, packMonitorIcon(run, icon));
      });
  QObject::connect(monitorButton, &QPushButton::clicked, &window, [this] {
    if (monitor->isRunning()) {
      monitor->stop();
    } else {
      monitor->start();
    }
  });
  window.setCloseHandler([this] {
    windows.closeLaterWindows();
    monitor->stop();
    closeOtherWindows(window);
  });
}

namespace {

// The message font's face at the chosen size becomes the font of every control built from
// here on; without a face the toolkit's font stays.
void applyDefaultFont(const DisplayScale& scale) {
  if (scale.fontFace.empty() || scale.fontPointSize <= 0) {
    return;
  }
  QFont font = QApplication::font();
  font.setFamily(pathToQString(scale.fontFace));
  font.setPointSize(scale.fontPointSize);
  font.setStyleStrategy(QFont::PreferQuality);
  QApplication::setFont(font);
}

AppState& withDisplayScale(AppState& state, Platform& platform) {
  const DisplayScale scale = computeDisplayScale(platform.displayInfo(), ScaleRule::Resolution);
  state.scaleX = scale.scaleX;
  state.scaleY = scale.scaleY;
  applyDefaultFont(scale);
  return state;
}

}  // namespace

Program::Program(AppState& state, Platform& platform)
    : parts_((installAccessibleRoles(),  // before any widget asks for its interface
              std::make_unique<Parts>(withDisplayScale(state, platform), platform))) {
  parts_->placeParts();
  parts_->connectParts();
  parts_->buildMonitor();
  parts_->window.setLoadRecordFileHandler([this] { loadRecordFile(); });
}

Program::~Program() {
  // The monitor's thread ends before the window and the application object go away.
  parts_->monitor->stopAndWait(kMonitorWaitLimit);
}

bool Program::start(std::string_view recordFile) {
  Parts& p = *parts_;
  p.window.showHtml(p.state.aboutHtml);
  showStartupNotice(p.notice, 1, p.state.version, p.state.scaleY);
  // The record file is asked for first (unless named on the command line); without one the program
  // ends and its window is never shown.
  const LoadOutcome loaded = p.records.loadRecordFile(recordFile);
  if (loaded == LoadOutcome::EndProgram) {
    showStartupNotice(p.notice, 0, p.state.version, p.state.scaleY);
    return false;
  }
  if (loaded == LoadOutcome::Loaded) {
    p.records.afterLoad();
  }
  showStartupNotice(p.notice, 0, p.state.version, p.state.scaleY);
  fitToScreen(p.window);
  p.window.show();
  p.window.activateWindow();
  return true;
}

void Program::loadRecordFile() {
  Parts& p = *parts_;
  if (!p.state.view.pageShown) {
    p.window.showHtml(p.state.aboutHtml);
  }
  showStartupNotice(p.notice, 2, p.state.version, p.state.scaleY);
  const LoadOutcome outcome = p.records.loadRecordFile();
  if (outcome == LoadOutcome::Loaded) {
    p.records.afterLoad();
  }
  showStartupNotice(p.notice, 0, p.state.version, p.state.scaleY);
  if (outcome == LoadOutcome::EndProgram) {
    p.window.close();
  }
}

const QWidget* Program::startupNotice() const {
  return parts_->notice.get();
}

AppState& Program::state() {
  return parts_->state;
}
MainWindow& Program::mainWindow() {
  return parts_->window;
}
MainToolBar& Program::toolBar() {
  return *parts_->toolBar;
}
NavigationPanel& Program::navigationPanel() {
  return *parts_->panel;
}
PageView& Program::pageView() {
  return *parts_->pageView;
}
RecordsController& Program::records() {
  return parts_->records;
}
MainCommands& Program::commands() {
  return *parts_->commands;
}
TransferEngine& Program::engine() {
  return parts_->engine;
}
ConnectionMonitor& Program::monitor() {
  return *parts_->monitor;
}
QPushButton& Program::monitorButton() {
  return *parts_->monitorButton;
}

}  // namespace korvalis
