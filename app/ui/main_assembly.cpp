#include "app/ui/main_assembly.h"

#include <QEvent>
#include <QMenu>
#include <QPointer>
#include <QStatusBar>

#include "app/app_state.h"
#include "app/archive_address.h"
#include "app/help.h"
#include "app/ui/main_commands.h"
#include "app/ui/main_toolbar.h"
#include "app/ui/main_window.h"
#include "app/ui/navigation_panel.h"
#include "app/ui/resize_watch.h"
#include "archive/page_address.h"
#include "archive/transfer_engine.h"
#include "platform/qt/qt_event_target.h"
#include "records/ui/record_tree_view.h"
#include "records/ui/records_controller.h"
#include "viewer/ui/page_view.h"
#include "viewer/ui/post_process_window.h"

namespace korvalis {

namespace {}  // namespace

struct MainAssembly::Parts {
  Parts(AppState& state, MainWindow& window)
      : toolBar(new MainToolBar(&window)),
        panel(new NavigationPanel(state.scaleX, &window)),
        pageView(new PageView(state, window, &window)),
        context{state, window, engine, *window.eventTarget()} {}

  CurlGlobal curl;  // kept while the engine lives
  TransferEngine engine{curl, caBundleFile()};
  MainToolBar* toolBar;  // owned by the window
  NavigationPanel* panel;
  PageView* pageView;
  ArchiveContext context;
  MainCommands* commands = nullptr;
  // A window of its own (no parent): the main window is disabled while it is open.
  std::unique_ptr<PostProcessWindow> postProcessing;
  std::unique_ptr<ResizeWatch> resizeWatch;
  QPointer<QWidget> monitorButton;  // hidden in the full-screen view
};

namespace {

PageDecode toPageDecode(PageBytesResult result) {
  switch (result) {
    case PageBytesResult::Shown:
      return PageDecode::Shown;
    case PageBytesResult::DecodedButUnavailable:
      return PageDecode::DecodedButUnavailable;
    case PageBytesResult::NotDecoded:
      break;
  }
  return PageDecode::NotDecoded;
}

}  // namespace

MainAssembly::MainAssembly(AppState& state, Platform& platform, MainWindow& window,
                           RecordsController& records)
    : parts_(std::make_unique<Parts>(state, window)) {
  Parts& p = *parts_;
  state.transfer = &p.engine;
  window.addToolBar(Qt::TopToolBarArea, p.toolBar);
  window.setNavigationPanel(p.panel);
  window.setFieldEditors(p.panel->apidField(), p.panel->idField(), p.panel->pageField());
  window.setPageView(p.pageView);
  p.pageView->setMetricsSource([&window, &p, &records] {
    WindowMetrics m;
    m.innerWidth = window.width();
    m.innerHeight = window.height();
    const QWidget* tree = records.treeView();
    m.treeShown = tree != nullptr && tree->isVisible();
    m.treeWidth = tree != nullptr ? tree->width() : 0;
    m.statusBarHeight = window.statusBar()->height();
    m.toolBarHeight = p.toolBar->isVisible() ? p.toolBar->height() : 0;
    return m;
  });
  p.pageView->setToolStateSource([&p] {
    return PageView::ToolState{p.toolBar->isPressed(nav::ToolButton::OriginalSize),
                               p.toolBar->isPressed(nav::ToolButton::Crop)};
  });

  ArchiveContext& ctx = p.context;
  PageView& view = *p.pageView;
  CommandHooks hooks;
  hooks.loadPage = [&ctx] { LoadPage(ctx); };
  hooks.loadTreePage = [&ctx, &state, &records] {
    if (const RecordEntry* entry = state.records.list.find(records.currentEntry())) {
      LoadTreePage(ctx, *entry);
    }
  };
  hooks.startIdLookup = [&ctx](int code) {
    StartIdLookup(ctx, code);
    return true;
  };
  hooks.startApidLookup = [&ctx](int code) {
    StartApidLookup(ctx, code);
    return true;
  };
  hooks.handleLookupAnswer = [&ctx](int code, std::uintptr_t job) {
    HandleLookupAnswer(ctx, code, job);
  };
  hooks.handlePageAnswer = [&ctx, &view](std::uintptr_t job) {
    const PageAnswer outcome =
        HandlePageAnswer(ctx, job, [&view](std::span<const unsigned char> bytes) {
          return toPageDecode(view.acceptPageBytes(bytes));
        });
    return outcome == PageAnswer::Shown;
  };
  hooks.isRunning = [&p](std::uintptr_t job) { return p.engine.IsRunning(job) != 0; };
  hooks.abortAndFree = [&p](std::uintptr_t job) {
    p.engine.Abort(job);
    p.engine.Free(job, true);
  };
  // No freeJob: HandlePageAnswer and HandleLookupAnswer free their job themselves.
  hooks.showPageImage = [&view] { view.showPageImage(); };
  hooks.rotatePage = [&view](int angle) { view.rotatePage(angle); };
  hooks.openDocument = [&view, &platform] { view.openDocument(platform); };
  hooks.hasPageImage = [&view] { return view.hasPageImage(); };
  hooks.pageImage = [&view] { return view.pageImage(); };
  hooks.viewImage = [&view] { return view.viewImage(); };
  hooks.endCropView = [&view] { view.endCutOut(); };
  hooks.setPageImage = [&view](Image image) { view.setPageImage(std::move(image)); };
  hooks.displayWidth = [&view] { return view.displayImage().width(); };
  hooks.pageWidth = [&view] { return view.pageImage().width(); };
  hooks.setPageCursor = [&view](bool hand) { view.setHandCursor(hand); };
  hooks.pageArea = [&view]() -> QScrollArea* { return &view; };
  hooks.openPostProcessing = [&p, &view, &window] {
    const bool first = !p.postProcessing;
    if (first) {
      p.postProcessing = std::make_unique<PostProcessWindow>(
          view.pageImageForEditing(), [&view] { view.showPageImage(); },
          [&window] {
            window.setEnabled(true);
            window.activateWindow();
          });
    }
    p.postProcessing->open();
    if (first) {
      // It has no parent window to be placed by: it starts over the page area.
      const QRect area(view.mapToGlobal(QPoint(0, 0)), view.size());
      QRect frame = p.postProcessing->frameGeometry();
      frame.moveCenter(area.center());
      p.postProcessing->move(frame.topLeft());
    }
  };
  hooks.showEntryInfo = [&records] { records.showInfoWindow(); };
  // The pop-up's "Speichern...": the selected item must carry an entry. The save window itself
  // comes with the batch download; until it exists nothing opens and the main window stays
  // enabled (false).
  hooks.openSaveWindowForSelection = [&records, &state, &platform] {
    if (state.records.list.find(records.selectedLeafEntry()) == nullptr) {
      platform.message("Achtung", "Ein Fehler ist aufgetreten\rBitte unbedingt melden!",
                       MessageSign::Warning);
      return false;
    }
    // SAVE WINDOW HOOK: make the entry current and open the save window for it here.
    return false;
  };
  hooks.search = [&records](const std::string& text) { records.runSearch(text); };
  hooks.showSearchResults = [&records] { records.showSearchWindow(); };
  hooks.help = [&platform, &state] { showHelp(platform, state); };
  hooks.loadRecordFile = [&window] { window.loadRecordFileCommand(); };
  hooks.setTreeShown = [&window](bool shown) { window.setTreeShown(shown); };
  hooks.setNavigationShown = [&window](bool shown) { window.setNavigationShown(shown); };
  hooks.setMonitorButtonShown = [&p](bool shown) {
    if (p.monitorButton) {
      p.monitorButton->setVisible(shown);
    }
  };
  hooks.treeHasFocus = [&records] { return records.treeView()->hasFocus(); };
  hooks.pageViewHasFocus = [&view] { return view.hasFocus(); };
  p.commands =
      new MainCommands(state, platform, window, window, *p.toolBar, *p.panel, std::move(hooks));
  MainCommands* commands = p.commands;
  window.setCompletionHandler(
      [commands](int code, std::uintptr_t job) { commands->completion(code, job); });

  QObject::connect(&view, &PageView::cropStarted, commands, &MainCommands::cropStarted);
  QObject::connect(&view, &PageView::cropFinished, commands, &MainCommands::cropFinished);
  QObject::connect(&view, &PageView::pageOpened, commands, &MainCommands::pageOpened);
  QObject::connect(
      &records, &RecordsController::treeDoubleClicked, commands,
      [&ctx, &state, &records, commands] {
        if (commands->inCropView()) {
          return;
        }
        if (const RecordEntry* entry = state.records.list.find(records.selectedLeafEntry())) {
          LoadTreePage(ctx, *entry);
        }
      });
  QObject::connect(
      &records, &RecordsController::treeContextMenuRequested, commands,
      [commands, &window](QPoint globalPos) {
        if (commands->inCropView()) {
          return;
        }
        QMenu menu(&window);
        menu.addAction(QStringLiteral("Speichern..."), commands, &MainCommands::popupSave);
        menu.addAction(QStringLiteral("Zeige Info"), commands, &MainCommands::popupInfo);
        menu.exec(globalPos);
      });
  window.setImageModeHandler([&p](int mode) { p.toolBar->setPageToolsEnabled(mode == 1); });
  p.toolBar->setPageToolsEnabled(false);
  // A new window size fits the shown page anew (the cut-out of crop view is shown as it is).
  p.resizeWatch = std::make_unique<ResizeWatch>(
      window,
      [&state, &view] {
        if (state.pageShown) {
          view.showPageImage();
        }
      },
      ResizeWatch::Timing::Coalesced);
}

void MainAssembly::setMonitorButton(QWidget* button) {
  parts_->monitorButton = button;
}

MainAssembly::~MainAssembly() = default;

}  // namespace korvalis
