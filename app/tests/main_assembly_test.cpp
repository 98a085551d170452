// The assembled main window as a user meets it: record file loaded through the dialog, the
// tree's first entry in the navigation fields, the page tools off until a page is shown, and
// "Seite zeigen" opening a page from disk.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <fstream>

#include "app/app_state.h"
#include "app/app_state_init.h"
#include "app/ui/main_assembly.h"
#include "app/ui/main_toolbar.h"
#include "app/ui/main_window.h"
#include "app/ui/navigation_panel.h"
#include "archive/tests/archive_server_fixture.h"
#include "platform/scripted/scripted_platform.h"
#include "records/load_outcome.h"
#include "records/ui/record_tree_view.h"
#include "records/ui/records_controller.h"
#include "viewer/image_codec.h"
#include "viewer/ui/page_view.h"
#include "viewer/ui/post_process_window.h"

using namespace korvalis;

// The program's main window put together as main() does, with the sample record file loaded.
struct AssembledWindow {
  explicit AssembledWindow(AppState& appState)
      : state(appState), window(state), records(state, platform, &window, [] {}) {
    records.setMainView(&window);
    window.setTreeWidget(records.treeView());
    window.setRecordHooks([this] { records.followIdAndPage(); },
                          [this] { records.refreshEntryInfo(); });
    assembly = std::make_unique<MainAssembly>(state, platform, window, records);
    window.show();
  }
  bool loadSample() {
    platform.queueOpenFile(std::string(KORVALIS_TEST_SOURCE_DIR) + "/data/Beispiel.krv");
    if (records.loadRecordFile() != LoadOutcome::Loaded) {
      return false;
    }
    records.afterLoad();
    return true;
  }

  AppState& state;
  ScriptedPlatform platform;
  MainWindow window;
  RecordsController records;
  std::unique_ptr<MainAssembly> assembly;
};

class MainAssemblyTest : public QObject {
  Q_OBJECT

 private slots:
  void recordFileToPageOnScreen();
  void pageFromTheArchiveArrives();
};

void MainAssemblyTest::recordFileToPageOnScreen() {
  AppState state;
  initialiseAppState(state);
  AssembledWindow w(state);
  QVERIFY(w.loadSample());
  ScriptedPlatform& platform = w.platform;
  MainWindow& window = w.window;

  // The selected first leaf's addresses stand in the navigation panel's own fields.
  auto* panel = window.findChild<NavigationPanel*>();
  QVERIFY(panel != nullptr);
  const RecordEntry* first = state.records.list.find(state.records.list.current);
  QVERIFY(first != nullptr);
  QVERIFY(!panel->idField()->text().isEmpty());
  QCOMPARE(window.idField(), panel->idField()->text().toStdString());
  QCOMPARE(window.apidField(), panel->apidField()->text().toStdString());
  window.setPageField("00007");
  QCOMPARE(panel->pageField()->text(), QStringLiteral("00007"));

  auto* toolBar = window.findChild<MainToolBar*>();
  QVERIFY(toolBar != nullptr);
  QVERIFY(!toolBar->isButtonEnabled(nav::ToolButton::Zoom));

  // "Seite zeigen" with a page from disk: shown, page tools on, source "Kopie".
  QTemporaryDir dir;
  Image page(300, 200);
  for (int y = 0; y < page.height(); ++y) {
    for (int x = 0; x < page.width(); ++x) {
      page.setPixel(x, y, makePixel(x & 0xFF, y & 0xFF, 90));
    }
  }
  const std::string path = dir.filePath(QStringLiteral("seite.png")).toStdString();
  const auto png = encodePng(page, 24);
  QVERIFY(png.has_value());
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
  platform.queueOpenFile(path);
  toolBar->action(nav::ToolButton::ShowPage)->trigger();
  QCOMPARE(window.statusText(3), std::string("Kopie"));
  QVERIFY(toolBar->isButtonEnabled(nav::ToolButton::Zoom));
  QVERIFY(state.pageShown);
  QVERIFY(window.findChild<PageView*>()->isVisible());

  // "Nachbearbeitung": the main window waits while the window is open; inverting changes the
  // shown page, and leaving gives the main window back.
  toolBar->action(nav::ToolButton::PostProcess)->trigger();
  QVERIFY(!window.isEnabled());
  PostProcessWindow* post = nullptr;
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (auto* candidate = qobject_cast<PostProcessWindow*>(top)) {
      post = candidate;
    }
  }
  QVERIFY(post != nullptr && post->isVisible());
  post->functionList()->setCurrentIndex(1);  // invert
  post->acceptButton()->click();
  QVERIFY(window.isEnabled());
  const Image& shown = window.findChild<PageView*>()->pageImage();
  QCOMPARE(pixelRed(shown.pixel(10, 20)), 255 - 10);
  QCOMPARE(pixelGreen(shown.pixel(10, 20)), 255 - 20);
}

// "Anzeigen" for the first entry fetches its page from the test archive server over HTTPS.
void MainAssemblyTest::pageFromTheArchiveArrives() {
  const korvalis::testing::ArchiveServer server;
  qputenv("KORVALIS_CA_FILE",
          QByteArray::fromStdString(korvalis::testing::ArchiveServer::caFile()));
  AppState state;
  initialiseAppState(state);
  state.servicePrefix = server.servicePrefix();
  AssembledWindow w(state);
  QVERIFY(w.loadSample());
  MainWindow& window = w.window;

  auto* panel = window.findChild<NavigationPanel*>();
  auto* toolBar = window.findChild<MainToolBar*>();
  QVERIFY(panel != nullptr && toolBar != nullptr);
  panel->showButton()->click();
  QTRY_COMPARE_WITH_TIMEOUT(window.statusText(0), std::string(" Fertig."), 10000);
  QVERIFY(state.pageShown);
  QVERIFY(toolBar->isButtonEnabled(nav::ToolButton::Zoom));
  QCOMPARE(window.statusText(3), std::string("Original"));
  QVERIFY(state.pageBytes.has_value());
  QVERIFY(window.findChild<PageView*>()->hasPageImage());
  qunsetenv("KORVALIS_CA_FILE");
}

QTEST_MAIN(MainAssemblyTest)
#include "main_assembly_test.moc"
