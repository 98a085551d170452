#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <QMenu>
#include <optional>
#include <set>

#include "app/app_state.h"
#include "app/ui/main_commands.h"
#include "app/ui/main_toolbar.h"
#include "app/ui/navigation_panel.h"
#include "app/ui/other_windows.h"
#include "app/ui/page_display.h"
#include "app/ui/page_requests.h"
#include "app/ui/window_frame.h"
#include "platform/scripted/fake_main_view.h"
#include "platform/scripted/scripted_platform.h"

using namespace korvalis;
using nav::ToolButton;

namespace {

// The view reads and writes the panel's fields, as the main window does.
class PanelView : public FakeMainView {
 public:
  explicit PanelView(NavigationPanel& panel) : panel_(panel) {}
  std::string idField() const override { return panel_.idField()->text().toStdString(); }
  void setIdField(std::string_view t) override {
    panel_.idField()->setText(QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size())));
  }
  std::string pageField() const override { return panel_.pageField()->text().toStdString(); }
  void setPageField(std::string_view t) override {
    panel_.pageField()->setText(QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size())));
  }

 private:
  NavigationPanel& panel_;
};

// A main window assembled from the pieces, with stand-ins for the commands' targets that
// record what was asked of them.
struct Harness : PageRequests, PageDisplay, OtherWindows, WindowFrame {
  AppState state;
  ScriptedPlatform platform;
  QMainWindow window;
  MainToolBar* toolBar = new MainToolBar(&window);
  NavigationPanel* panel = new NavigationPanel(1.0);
  QTreeWidget* tree = new QTreeWidget;
  QScrollArea* area = new QScrollArea;
  PanelView view{*panel};
  Image page;
  bool running = false;
  std::set<LaterWindow> laterWindows;  ///< the later windows that exist
  std::vector<std::string> calls;
  std::unique_ptr<MainCommands> commands;

  explicit Harness(std::set<LaterWindow> windows = {}) : laterWindows(std::move(windows)) {
    state.aboutHtml = "<html>about</html>";
    auto* central = new QWidget;
    auto* left = new QWidget(central);
    left->setGeometry(0, 0, 220, 700);
    tree->setParent(left);
    tree->setGeometry(0, 0, 220, 480);
    panel->setParent(left);
    panel->setGeometry(0, 490, 220, NavigationPanel::kHeight);
    area->setParent(central);
    area->setGeometry(220, 0, 600, 500);
    auto* canvas = new QWidget;
    canvas->setFixedSize(2000, 2000);
    area->setWidget(canvas);
    window.setCentralWidget(central);
    window.addToolBar(toolBar);
    window.statusBar()->showMessage(" ");
    window.resize(1024, 768);
    commands = std::make_unique<MainCommands>(state, platform, window, view, *toolBar, *panel,
                                              CommandTargets{*this, *this, *this, *this});
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
  }

  // PageRequests
  void loadPage() override { calls.push_back("loadPage"); }
  void loadTreePage() override { calls.push_back("loadTreePage"); }
  void startIdLookup(int code) override { calls.push_back("idLookup " + std::to_string(code)); }
  bool startApidLookup(int code) override {
    calls.push_back("apidLookup " + std::to_string(code));
    return !panel->idField()->text().isEmpty();
  }
  void handleLookupAnswer(int code, std::uintptr_t) override {
    calls.push_back("lookupAnswer " + std::to_string(code));
  }
  PageAnswer handlePageAnswer(std::uintptr_t job) override {
    calls.push_back("pageAnswer " + std::to_string(job));
    page = Image::filled(300, 200, 0x112233);
    return job != 99 ? PageAnswer::Shown : PageAnswer::Ignored;  // 99: no image
  }
  bool abortPageDownload() override {
    if (!running || state.request.currentRequest == 0) {
      return false;
    }
    calls.push_back("abort " + std::to_string(state.request.currentRequest));
    return true;
  }

  // PageDisplay
  void showPageImage() override { calls.push_back("show"); }
  void rotatePage(int angle) override { calls.push_back("rotate " + std::to_string(angle)); }
  void openDocument() override { calls.push_back("open"); }
  bool hasPageImage() const override { return !page.isNull(); }
  const Image& pageImage() const override { return page; }
  const Image& viewImage() const override { return page; }
  void setPageImage(Image image) override { page = std::move(image); }
  int displayWidth() const override { return 800; }
  void setHandCursor(bool hand) override { calls.push_back(hand ? "hand" : "arrow"); }
  void scrollBy(int dx, int dy) override {
    area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->value() + dx);
    area->verticalScrollBar()->setValue(area->verticalScrollBar()->value() + dy);
  }
  void openPostProcessing() override { calls.push_back("postprocess"); }
  void endCropView() override { calls.push_back("endCrop"); }

  // OtherWindows
  bool exists(LaterWindow which) const override { return laterWindows.contains(which); }
  void savePage() override { calls.push_back("savePage"); }
  void print(bool cropped) override { calls.push_back(cropped ? "print cut-out" : "print"); }
  void setSaveWindowShown(bool shown) override {
    calls.push_back(shown ? "saveWindow on" : "saveWindow off");
  }
  void openSaveWindowForSelection() override { calls.push_back("saveSelection"); }
  void showEntryInfo() override { calls.push_back("info"); }
  void search(std::string_view text) override { calls.push_back("search " + std::string(text)); }
  void showSearchResults() override { calls.push_back("results"); }
  void help() override { calls.push_back("help"); }

  // WindowFrame
  void setTreeShown(bool on) override { tree->setVisible(on); }
  void setNavigationShown(bool on) override { panel->setVisible(on); }
  void setMonitorButtonShown(bool on) override {
    calls.push_back(on ? "monitor on" : "monitor off");
  }
  bool treeHasFocus() const override { return tree->hasFocus(); }
  void loadRecordFile() override { calls.push_back("loadRecordFile"); }

  void givePage() {
    page = Image::filled(1000, 800, 0xFFFFFF);
    state.view.pageShown = true;
    toolBar->setPageToolsEnabled(true);
  }
  bool called(const std::string& what) const {
    return std::find(calls.begin(), calls.end(), what) != calls.end();
  }
};

}  // namespace

class MainUiTest : public QObject {
  Q_OBJECT

 private slots:
  void toolBarButtonsAndPageTools();
  void navigationPanelLayoutAndColours();
  void steppingByButtonsAndKeys();
  void returnAndShowByFocus();
  void zoomStatesAndKeys();
  void treeToggleTakesNavigationAlong();
  void copyAndPasteByFocus();
  void fullScreenOnlyWithPageAndRestores();
  void escapeAndCompletions();
  void searchAndPostProcessing();
  void laterWindowCommandsAreDisabledUntilTheWindowExists();
};

void MainUiTest::toolBarButtonsAndPageTools() {
  MainToolBar bar;
  const auto actions = bar.actions();
  QStringList tips;
  int separators = 0;
  for (QAction* a : actions) {
    if (a->isSeparator()) {
      ++separators;
      continue;
    }
    tips << a->toolTip();
    // Every icon is embedded and drawn at 24 x 24.
    QVERIFY2(!a->icon().isNull(), qPrintable(a->toolTip()));
    QCOMPARE(a->icon().availableSizes().value(0), QSize(24, 24));
    // A display scaled by 150 % or 200 % gets the icon drawn at twice the size, not enlarged.
    QCOMPARE(a->icon().pixmap(QSize(24, 24), 2.0).size(), QSize(48, 48));
  }
  QCOMPARE(separators, 5);
  QCOMPARE(tips.first(), QStringLiteral("Baumansicht"));
  // "Ausschnitt" says how cropping starts, as a click on it does nothing.
  QCOMPARE(tips.at(10), QStringLiteral("Ausschnitt (Rahmen auf der Seite aufziehen)"));
  QCOMPARE(bar.action(ToolButton::Crop)->text(), QStringLiteral("Ausschnitt"));
  QCOMPARE(tips.last(), QStringLiteral("Hilfe"));
  QVERIFY(bar.isPressed(ToolButton::Tree));
  QVERIFY(bar.isPressed(ToolButton::Navigate));
  QVERIFY(!bar.isButtonEnabled(ToolButton::Zoom));

  bar.setPageToolsEnabled(true);
  QVERIFY(bar.isButtonEnabled(ToolButton::PostProcess));
  QVERIFY(bar.isButtonEnabled(ToolButton::SavePage));
  QVERIFY(!bar.isButtonEnabled(ToolButton::Crop));  // not a page tool
  bar.setPageToolsEnabled(false);
  QVERIFY(!bar.isButtonEnabled(ToolButton::RotateLeft));

  // A button without its window stays disabled through the enabling rules.
  bar.setButtonAvailable(ToolButton::SavePage, false);
  bar.setPageToolsEnabled(true);
  QVERIFY(!bar.isButtonEnabled(ToolButton::SavePage));
  QVERIFY(bar.isButtonEnabled(ToolButton::Print));
  bar.setButtonEnabled(ToolButton::SavePage, true);
  QVERIFY(!bar.isButtonEnabled(ToolButton::SavePage));
  bar.setButtonAvailable(ToolButton::SavePage, true);
  QVERIFY(!bar.isButtonEnabled(ToolButton::SavePage));  // until the rules enable it
  bar.setPageToolsEnabled(true);
  QVERIFY(bar.isButtonEnabled(ToolButton::SavePage));
  bar.setPageToolsEnabled(false);

  // "Ausschnitt" is shown pressed only while a cut-out is displayed, and is no toggle after.
  bar.setPressed(ToolButton::Crop, true);
  QVERIFY(bar.isPressed(ToolButton::Crop));
  bar.setPressed(ToolButton::Crop, false);
  QVERIFY(!bar.action(ToolButton::Crop)->isCheckable());
}

void MainUiTest::navigationPanelLayoutAndColours() {
  NavigationPanel panel(1.5);
  panel.resize(330, NavigationPanel::kHeight);
  panel.show();
  QVERIFY(QTest::qWaitForWindowExposed(&panel));
  QCOMPARE(panel.idField()->width(), 122);  // 81 x 1.5, rounded
  QCOMPARE(panel.idField()->maxLength(), 9);
  QCOMPARE(panel.pageField()->maxLength(), 5);
  QCOMPARE(panel.pageField()->placeholderText(), QStringLiteral("Seite"));
  // Letters are refused while typing.
  panel.pageField()->setFocus();
  QTest::keyClicks(panel.pageField(), QStringLiteral("1a2"));
  QCOMPARE(panel.pageField()->text(), QStringLiteral("12"));

  // The small buttons sit 23 pixels left and 5 pixels right of the centre line.
  QWidget* row = panel.idLookupButton()->parentWidget();
  const int centre = row->width() / 2;
  QCOMPARE(panel.idLookupButton()->x(), centre - 23);
  QCOMPARE(panel.apidLookupButton()->x(), centre + 5);
  QCOMPARE(panel.idLookupButton()->size(), QSize(18, 18));

  QCOMPARE(panel.idField()->palette().color(QPalette::Base), QColor(Qt::white));
  panel.immediateDisplay()->setChecked(true);
  QCOMPARE(panel.idField()->palette().color(QPalette::Base), QColor(252, 200, 200));
  QCOMPARE(panel.pageField()->palette().color(QPalette::Base), QColor(252, 200, 200));
  panel.immediateDisplay()->setChecked(false);
  QCOMPARE(panel.pageField()->palette().color(QPalette::Base), QColor(Qt::white));
}

void MainUiTest::steppingByButtonsAndKeys() {
  Harness h;
  h.panel->idField()->setText("4711");
  h.panel->nextPageButton()->click();
  QCOMPARE(h.panel->pageField()->text(), QStringLiteral("00001"));
  QCOMPARE(h.view.followCount, 1);
  QVERIFY(!h.called("loadPage"));  // immediate display is off

  h.tree->setFocus();
  QTest::keyClick(&h.window, Qt::Key_Right);
  QCOMPARE(h.panel->pageField()->text(), QStringLiteral("00002"));
  QTest::keyClick(&h.window, Qt::Key_Right, Qt::ShiftModifier);
  QCOMPARE(h.panel->idField()->text(), QStringLiteral("000004712"));
  QCOMPARE(h.panel->pageField()->text(), QStringLiteral("00001"));
  QTest::keyClick(&h.window, Qt::Key_Left);  // page 1 is the first: nothing happens
  QCOMPARE(h.panel->pageField()->text(), QStringLiteral("00001"));

  h.panel->immediateDisplay()->setChecked(true);
  h.panel->previousIdButton()->click();
  QCOMPARE(h.panel->idField()->text(), QStringLiteral("000004711"));
  QVERIFY(h.called("loadPage"));
  QCOMPARE(h.view.html, h.state.aboutHtml);

  h.calls.clear();
  h.panel->pageField()->setText("1a");  // set by program: the validator does not see it
  h.panel->nextPageButton()->click();
  QCOMPARE(h.view.status[0], std::string(" ung\xFCltiges Seitenformat"));
  QCOMPARE(h.panel->pageField()->text(), QStringLiteral("1a"));
  QVERIFY(!h.called("loadPage"));
}

void MainUiTest::returnAndShowByFocus() {
  Harness h;
  h.panel->apidField()->setFocus();
  QTest::keyClick(h.panel->apidField(), Qt::Key_Return);
  QVERIFY(h.called("idLookup 65537"));

  h.panel->idField()->setFocus();
  QTest::keyClick(h.panel->idField(), Qt::Key_Return);  // empty ID: the look-up stops
  QVERIFY(h.called("apidLookup 65537"));
  QVERIFY(!h.called("loadPage"));
  h.panel->idField()->setText("12");
  QTest::keyClick(h.panel->idField(), Qt::Key_Enter, Qt::KeypadModifier);
  QVERIFY(h.called("loadPage"));
  QCOMPARE(h.view.followCount, 1);

  h.calls.clear();
  h.tree->setFocus();
  QTest::keyClick(&h.window, Qt::Key_Return);
  QCOMPARE(h.calls, std::vector<std::string>{"loadTreePage"});

  h.calls.clear();
  h.panel->apidLookupButton()->click();
  h.panel->idLookupButton()->click();
  QCOMPARE(h.calls, (std::vector<std::string>{"apidLookup 65538", "idLookup 65538"}));
  h.panel->showButton()->click();
  QVERIFY(h.called("loadPage"));
  QCOMPARE(h.view.html, h.state.aboutHtml);
}

void MainUiTest::zoomStatesAndKeys() {
  Harness h;
  h.givePage();
  h.tree->setFocus();
  QTest::keyClick(&h.window, Qt::Key_Plus);  // zoom keys are off while "Zoom" is released
  QCOMPARE(h.state.view.zoomFactor, 1.0F);

  h.toolBar->action(ToolButton::Zoom)->trigger();
  QVERIFY(h.toolBar->isPressed(ToolButton::Zoom));
  QVERIFY(!h.toolBar->isButtonEnabled(ToolButton::OriginalSize));
  QVERIFY(h.state.view.viewMode);
  QVERIFY(h.commands->zoomKeysActive());
  QTest::keyClick(&h.window, Qt::Key_Plus);
  QTest::keyClick(&h.window, Qt::Key_Plus, Qt::KeypadModifier);
  QCOMPARE(h.state.view.zoomFactor, 1.25F);
  for (int i = 0; i < 10; ++i) {
    QTest::keyClick(&h.window, Qt::Key_Minus);
  }
  QCOMPARE(h.state.view.zoomFactor, 0.25F);
  h.state.view.zoomFactor = 1.5F;

  h.toolBar->action(ToolButton::Zoom)->trigger();  // released
  QCOMPARE(h.state.view.zoomFactor, 1.0F);
  QVERIFY(!h.commands->zoomKeysActive());
  QVERIFY(h.toolBar->isButtonEnabled(ToolButton::OriginalSize));
  h.toolBar->action(ToolButton::Zoom)->trigger();  // pressed again: 1.5 comes back
  QCOMPARE(h.state.view.zoomFactor, 1.5F);
  h.toolBar->action(ToolButton::Zoom)->trigger();

  h.toolBar->action(ToolButton::OriginalSize)->trigger();
  QVERIFY(!h.toolBar->isButtonEnabled(ToolButton::Zoom));
  QVERIFY(h.state.view.viewMode);
  h.toolBar->action(ToolButton::OriginalSize)->trigger();
  QVERIFY(h.toolBar->isButtonEnabled(ToolButton::Zoom));
  QVERIFY(!h.state.view.viewMode);

  // Rotation turns the page and re-shows it.
  h.calls.clear();
  h.toolBar->action(ToolButton::RotateLeft)->trigger();
  h.toolBar->action(ToolButton::RotateRight)->trigger();
  QCOMPARE(h.calls, (std::vector<std::string>{"rotate 90", "show", "rotate -90", "show"}));
}

void MainUiTest::treeToggleTakesNavigationAlong() {
  Harness h;
  h.toolBar->action(ToolButton::Tree)->trigger();
  QVERIFY(!h.state.view.treeVisible);
  QVERIFY(!h.tree->isVisible());
  QVERIFY(!h.panel->isVisible());
  QVERIFY(!h.toolBar->isPressed(ToolButton::Navigate));
  QVERIFY(!h.toolBar->isButtonEnabled(ToolButton::Navigate));
  h.toolBar->action(ToolButton::Tree)->trigger();
  QVERIFY(h.tree->isVisible());
  QVERIFY(h.toolBar->isButtonEnabled(ToolButton::Navigate));
  QVERIFY(!h.panel->isVisible());  // stays hidden until "Navigieren" is pressed
  h.toolBar->action(ToolButton::Navigate)->trigger();
  QVERIFY(h.panel->isVisible());
}

void MainUiTest::copyAndPasteByFocus() {
  Harness h;
  h.givePage();
  h.panel->idField()->setText("000000042");
  h.panel->idField()->setFocus();
  QTest::keyClick(h.panel->idField(), Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(h.platform.clipboardText(), std::string("000000042"));
  QVERIFY(h.platform.clipboardImage().isNull());

  h.tree->setFocus();
  QTest::keyClick(&h.window, Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(h.platform.clipboardImage().width(), 1000);

  // Paste into a field replaces its text; an empty clipboard changes nothing.
  h.platform.setClipboardText("12345");
  h.panel->pageField()->setFocus();
  QTest::keyClick(h.panel->pageField(), Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(h.panel->pageField()->text(), QStringLiteral("12345"));
  h.platform.setClipboardText("");
  QTest::keyClick(h.panel->pageField(), Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(h.panel->pageField()->text(), QStringLiteral("12345"));

  // Paste of an image becomes a new page, shown fitted as "Kopie".
  h.state.view.pageBytes = makePageBytes({1, 2, 3});
  h.toolBar->action(ToolButton::Zoom)->trigger();
  h.platform.setClipboardImage(Image::filled(40, 30, 0));
  h.tree->setFocus();
  QTest::keyClick(&h.window, Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(h.page.width(), 40);
  QCOMPARE(h.view.status[3], std::string("Kopie"));
  QCOMPARE(h.view.imageMode, 1);
  QVERIFY(!h.state.view.pageBytes);
  QVERIFY(!h.toolBar->isPressed(ToolButton::Zoom));
  QVERIFY(!h.commands->zoomKeysActive());
  QCOMPARE(h.state.view.zoomFactor, 1.0F);
}

void MainUiTest::fullScreenOnlyWithPageAndRestores() {
  Harness h;
  const QRect before = h.window.geometry();
  QTest::keyClick(&h.window, Qt::Key_F11);
  QVERIFY(!h.state.view.fullScreen);
  QVERIFY(h.toolBar->isVisible());

  h.givePage();
  QTest::keyClick(&h.window, Qt::Key_F11);
  QVERIFY(h.state.view.fullScreen);
  QVERIFY(!h.toolBar->isVisible());
  QVERIFY(!h.window.statusBar()->isVisible());
  QVERIFY(!h.tree->isVisible());
  QVERIFY(!h.panel->isVisible());
  QTest::keyClick(&h.window, Qt::Key_F11);
  QVERIFY(!h.state.view.fullScreen);
  QVERIFY(h.toolBar->isVisible());
  QVERIFY(h.window.statusBar()->isVisible());
  QVERIFY(h.panel->isVisible());
  QVERIFY(h.toolBar->isPressed(ToolButton::Navigate));
  QCOMPARE(h.window.geometry().size(), before.size());

  // Alt+arrows scroll the page view by 10 pixels.
  h.area->horizontalScrollBar()->setValue(50);
  h.tree->setFocus();
  QTest::keyClick(&h.window, Qt::Key_Right, Qt::AltModifier);
  QCOMPARE(h.area->horizontalScrollBar()->value(), 60);
  QTest::keyClick(&h.window, Qt::Key_Down, Qt::AltModifier);
  QCOMPARE(h.area->verticalScrollBar()->value(), 10);
}

void MainUiTest::escapeAndCompletions() {
  Harness h;
  h.state.request.currentRequest = 7;
  QTest::keyClick(&h.window, Qt::Key_Escape);  // finished request: nothing to cancel
  QCOMPARE(h.state.request.currentRequest, std::uintptr_t{7});
  QVERIFY(h.calls.empty());

  h.running = true;
  h.state.view.pageShown = true;
  h.view.imageMode = 1;
  QTest::keyClick(&h.window, Qt::Key_Escape);
  QCOMPARE(h.calls, std::vector<std::string>{"abort 7"});
  QCOMPARE(h.state.request.currentRequest, std::uintptr_t{0});
  QCOMPARE(h.view.status[0], std::string(" Abbruch!"));
  QCOMPARE(h.view.imageMode, 0);
  QVERIFY(!h.state.view.pageShown);

  // A page arrives: its answer is handled (which frees the job), the page shown fitted, tools on.
  h.calls.clear();
  h.state.request.currentRequest = 8;
  h.commands->completion(kPageImageEvent, 8);
  QVERIFY(h.state.view.pageShown);
  QCOMPARE(h.view.status[0], std::string(" Fertig."));
  QCOMPARE(h.view.status[3], std::string("Original"));
  QCOMPARE(h.view.imageMode, 1);
  QVERIFY(h.called("pageAnswer 8"));
  QVERIFY(h.called("show"));
  QCOMPARE(h.state.request.currentRequest, std::uintptr_t{0});

  // An answer that was not a page: handled, nothing shown as done.
  h.view.status[0].clear();
  h.calls.clear();
  h.commands->completion(kPageImageEvent, 99);
  QCOMPARE(h.calls, std::vector<std::string>{"pageAnswer 99"});
  QCOMPARE(h.view.status[0], std::string());

  // A late look-up answer does not clear the request now in flight.
  h.state.request.currentRequest = 11;
  h.commands->completion(kLookupEvent, 10);
  QVERIFY(h.called("lookupAnswer 65537"));
  QCOMPARE(h.state.request.currentRequest, std::uintptr_t{11});
}

void MainUiTest::searchAndPostProcessing() {
  Harness h;
  h.platform.queueText("Müller");
  QTest::keyClick(&h.window, Qt::Key_F, Qt::ControlModifier);
  QVERIFY(h.called("search Müller"));
  QVERIFY(h.called("results"));
  QCOMPARE(h.platform.pendingAnswers(), std::size_t{0});

  h.calls.clear();
  h.toolBar->setPageToolsEnabled(true);
  h.toolBar->action(ToolButton::PostProcess)->trigger();  // no page image yet
  QVERIFY(h.calls.empty());
  QVERIFY(h.window.isEnabled());
  h.givePage();
  h.state.request.currentRequest = 3;  // a request in flight blocks it too
  h.toolBar->action(ToolButton::PostProcess)->trigger();
  QVERIFY(h.calls.empty());
  h.state.request.currentRequest = 0;
  h.toolBar->action(ToolButton::PostProcess)->trigger();
  QCOMPARE(h.calls, std::vector<std::string>{"postprocess"});
  QVERIFY(!h.window.isEnabled());
}

// "Seite speichern", "Drucken", the save-window toggle and the tree pop-up's "Speichern..."
// are disabled while their window does not exist, through every enabling rule (a page shown,
// crop view and back); with the windows they run their command.
void MainUiTest::laterWindowCommandsAreDisabledUntilTheWindowExists() {
  const auto popupSaveEnabled = [](Harness& h) {
    QMenu menu;
    h.commands->fillTreeMenu(menu);
    const QList<QAction*> entries = menu.actions();
    if (entries.size() != 2 || entries[0]->text() != QStringLiteral("Speichern...") ||
        entries[1]->text() != QStringLiteral("Zeige Info") || !entries[1]->isEnabled()) {
      return std::optional<bool>();
    }
    return std::optional<bool>(entries[0]->isEnabled());
  };
  const std::vector<ToolButton> laterButtons{ToolButton::SavePage, ToolButton::Print,
                                             ToolButton::SaveWindow};
  for (const bool windowsExist : {false, true}) {
    Harness h(windowsExist ? std::set<LaterWindow>{LaterWindow::SavePage, LaterWindow::Print,
                                                   LaterWindow::SaveWindow}
                           : std::set<LaterWindow>{});
    const QByteArray which = windowsExist ? "with the windows" : "without the windows";
    QCOMPARE(popupSaveEnabled(h), std::optional<bool>(windowsExist));
    QCOMPARE(h.toolBar->isButtonEnabled(ToolButton::SaveWindow), windowsExist);
    h.givePage();
    // In crop view saving and printing stay usable, the save window's toggle is locked; after
    // it the buttons come back as they were.
    h.commands->cropStarted();
    h.commands->cropFinished(true);
    QCOMPARE(h.toolBar->isButtonEnabled(ToolButton::SavePage), windowsExist);
    QCOMPARE(h.toolBar->isButtonEnabled(ToolButton::Print), windowsExist);
    QVERIFY(!h.toolBar->isButtonEnabled(ToolButton::SaveWindow));
    QTest::keyClick(&h.window, Qt::Key_Escape);
    h.calls.clear();
    for (const ToolButton button : laterButtons) {
      QVERIFY2(h.toolBar->isButtonEnabled(button) == windowsExist, which.constData());
      h.toolBar->action(button)->trigger();
    }
    h.commands->popupSave();
    const std::vector<std::string> expected =
        windowsExist
            ? std::vector<std::string>{"savePage", "print", "saveWindow on", "saveSelection"}
            : std::vector<std::string>{};
    QCOMPARE(h.calls, expected);
    // The save window disables the main window's contents itself; disabling the main window
    // would disable the save window, its child, as well.
    QVERIFY(h.window.isEnabled());
  }
}

QTEST_MAIN(MainUiTest)
#include "main_ui_test.moc"
