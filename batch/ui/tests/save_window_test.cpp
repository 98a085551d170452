// The save window offscreen with the scripted platform: its frames and controls, the list and
// its menu, opening and closing for the main window, and a download from the test archive
// server through the window.
#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <algorithm>
#include <filesystem>

#include "archive/curl_global.h"
#include "archive/tests/archive_server_fixture.h"
#include "batch/ui/save_window.h"
#include "platform/scripted/scripted_platform.h"

using namespace korvalis;

namespace {

struct WindowHarness {
  ScriptedPlatform platform;
  CurlGlobal curl_;
  TransferEngine engine{curl_, korvalis::testing::ArchiveServer::caFile()};
  QMainWindow main;
  int helpCalls = 0;
  std::vector<bool> toggles;
  std::vector<bool> mainStates;
  SaveWindow* window = nullptr;

  explicit WindowHarness(const std::string& servicePrefix = "https://localhost:1/das/v2/",
                         const std::string& folder = "/tmp/") {
    main.setGeometry(100, 100, 1024, 768);
    main.statusBar()->setFixedHeight(22);
    SaveWindowSettings settings;
    settings.servicePrefix = servicePrefix;
    settings.pagePrefix = servicePrefix + "dgs:";
    settings.pageSuffix = "/$dist";
    settings.pageSaveDir = folder;
    window = new SaveWindow(
        platform, engine, settings, [this] { ++helpCalls; }, &main);
    window->setToggleHandler([this](bool pressed) { toggles.push_back(pressed); });
    window->setMainWindowControl([this](bool enabled) { mainStates.push_back(enabled); });
  }
  template <typename T>
  T* child(const char* name) const {
    return window->findChild<T*>(QString::fromLatin1(name));
  }
  QPushButton* button(const char* name) const { return child<QPushButton>(name); }
  void trigger(const char* action) const { child<QAction>(action)->trigger(); }
  QString cell(int row, int column) const {
    return window->listView()->model()->index(row, column).data().toString();
  }
};

}  // namespace

class SaveWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void buildsTheFramesAndControls() {
    WindowHarness h;
    SaveWindow& w = *h.window;
    QCOMPARE(w.windowTitle(), QStringLiteral(" Speichern..."));
    QCOMPARE(w.size(), QSize(741, 400));
    QCOMPARE(w.maximumSize(), QSize(1024, 768));
    auto* progress = h.child<QProgressBar>("progress");
    QCOMPARE(w.minimumWidth(), progress->geometry().right() + 1 + 9);
    QCOMPARE(w.minimumHeight(), 320);
    QCOMPARE(progress->orientation(), Qt::Vertical);
    QCOMPARE(progress->width(), 18);
    QVERIFY(progress->isHidden());
    // Placed at the main window's lower right.
    QCOMPARE(w.pos(), QPoint(100 + 1024 - 786, 100 + 768 - 22 - 410));
    const auto frames = w.findChildren<QGroupBox*>();
    QCOMPARE(frames.size(), 2);
    QCOMPARE(frames[0]->title(), QStringLiteral("DL-Link erstellen"));
    QCOMPARE(frames[0]->size(), QSize(144 + 25, 200));
    QCOMPARE(frames[1]->title(), QStringLiteral("Dateien speichern"));
    for (const char* name : {"toClipboard", "toFile", "start", "stop"}) {
      QVERIFY2(!h.button(name)->isEnabled(), name);
    }
    QVERIFY(h.button("createLinks")->isEnabled());
    QCOMPARE(h.child<QLineEdit>("folderField")->text(), QStringLiteral("/tmp/"));
    QVERIFY(h.child<QLineEdit>("folderField")->isReadOnly());
    const QString explanation = h.child<QTextEdit>("explanation")->toPlainText();
    QCOMPARE(explanation, QStringLiteral("Dateiname in der Form Name[Stellenzahl]\n"
                                         "z.B.: KB_K\u00f6slin_[3]\n"
                                         "ergibt: KB_K\u00f6slin_001,  KB_K\u00f6slin_002,  ..."));
    QVERIFY(h.child<QTextEdit>("explanation")->toHtml().contains(QStringLiteral("#0000ff")));
    QTableView* list = w.listView();
    QVERIFY(list->horizontalHeader()->isHidden());
    QCOMPARE(list->model()->columnCount(), 3);
    QCOMPARE(list->columnWidth(0), 128);
    QCOMPARE(list->columnWidth(2), 64);
  }

  void fieldsListAndMenuWorkTogether() {
    WindowHarness h;
    auto* id = h.child<QLineEdit>("idField");
    QTest::keyClicks(id, "40a10312");  // digits only
    QCOMPARE(id->text(), QStringLiteral("4010312"));
    QTest::keyClicks(h.child<QLineEdit>("fromField"), "5");
    QTest::keyClicks(h.child<QLineEdit>("toField"), "1");
    // A large font (a desktop's setting): the references must still be shown whole.
    QFont large = h.window->listView()->font();
    large.setPointSize(large.pointSize() * 2);
    h.window->listView()->setFont(large);
    QTest::mouseClick(h.button("createLinks"), Qt::LeftButton);
    QAbstractItemModel* model = h.window->listView()->model();
    QCOMPARE(model->rowCount(), 5);
    QCOMPARE(h.cell(0, 0), QStringLiteral("004010312_00001"));
    // The three columns fit the list.
    QTableView* list = h.window->listView();
    QVERIFY(list->columnWidth(0) >=
            list->fontMetrics().horizontalAdvance(h.cell(0, 0)) +
                list->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, list));
    QVERIFY(list->columnWidth(0) + list->columnWidth(1) + list->columnWidth(2) <= list->width());
    QCOMPARE(model->index(0, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QVERIFY(!h.button("toClipboard")->isEnabled());

    // The user checks a row: the export buttons come on.
    QVERIFY(model->setData(model->index(1, 0), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(h.button("toClipboard")->isEnabled());
    QVERIFY(!h.button("start")->isEnabled());
    QTest::mouseClick(h.button("toClipboard"), Qt::LeftButton);
    QVERIFY(h.platform.clipboardText().find("004010312_00002/$dist\r\n") != std::string::npos);

    h.trigger("invertChecks");
    QCOMPARE(model->index(1, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QCOMPARE(model->index(4, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    h.window->listView()->selectRow(1);
    h.trigger("checkHighlighted");
    QCOMPARE(model->index(1, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QVERIFY(h.window->listView()->selectionModel()->selectedRows().isEmpty());
    h.trigger("checkNone");
    QVERIFY(!h.button("toFile")->isEnabled());
    for (const char* name : {"checkAll", "estimateActive", "estimateChecked", "estimateAll",
                             "saveList", "loadList", "reset"}) {
      QVERIFY2(h.child<QAction>(name) != nullptr, name);
    }
    QCOMPARE(h.child<QAction>("estimateChecked")->text(),
             QStringLiteral("Selektierte Eintr\u00e4ge"));
    h.trigger("reset");
    QCOMPARE(model->rowCount(), 0);
    QVERIFY(id->text().isEmpty());
  }

  void opensAndClosesForTheMainWindow() {
    WindowHarness h;
    h.main.show();
    h.window->openForEntry("004010312", "00001-00596");
    QVERIFY(h.window->isVisible());
    // Placed by a main window that reaches past the screen, it still opens inside it.
    QVERIFY(h.main.geometry().bottom() > h.main.screen()->availableGeometry().bottom());
    QVERIFY(h.main.screen()->availableGeometry().contains(h.window->frameGeometry()));
    QCOMPARE(h.child<QLineEdit>("toField")->text(), QStringLiteral("00596"));
    QCOMPARE(h.toggles, std::vector<bool>{true});
    QCOMPARE(h.mainStates, std::vector<bool>{false});
    QVERIFY(QTest::qWaitForWindowActive(h.window));
    QTest::keyClick(h.window, Qt::Key_F1);
    QCOMPARE(h.helpCalls, 1);
    h.window->close();
    QVERIFY(!h.window->isVisible());
    QCOMPARE(h.toggles, (std::vector<bool>{true, false}));
    QCOMPARE(h.mainStates, (std::vector<bool>{false, true}));
    h.window->setShown(true);
    QVERIFY(h.window->isVisible());
    QCOMPARE(h.child<QLineEdit>("idField")->text(), QStringLiteral("004010312"));  // as it was
    h.window->setShown(false);
    QVERIFY(!h.window->isVisible());
    QCOMPARE(h.mainStates.back(), true);
    h.window->reportMissingEntry();
    QCOMPARE(h.platform.messages().back().text,
             std::string("Ein Fehler ist aufgetreten\rBitte unbedingt melden!"));
  }

  void downloadsAPageRangeThroughTheWindow() {
    korvalis::testing::ArchiveServer server;
    QTemporaryDir dir;
    WindowHarness h(server.servicePrefix(), dir.path().toStdString() + "/");
    h.window->openForEntry("004010312", "00001-00004");
    QTest::mouseClick(h.button("createLinks"), Qt::LeftButton);
    h.trigger("checkAll");
    h.trigger("estimateAll");
    QTRY_VERIFY(h.platform.messages().size() == 1U);
    QVERIFY(h.platform.messages()[0].text.rfind("Alle 4 Eintr\xE4ge belegen ca.  ", 0) == 0);
    QCOMPARE(h.window->windowTitle(), QStringLiteral(" Speichern..."));

    h.platform.queueFolder(dir.path().toStdString());
    QTest::mouseClick(h.button("chooseFolder"), Qt::LeftButton);
    h.child<QLineEdit>("patternField")->insert(QStringLiteral("KB_K\u00f6slin_[3]"));
    QTest::mouseClick(h.button("assignNames"), Qt::LeftButton);
    QCOMPARE(h.cell(3, 1), dir.path() + QStringLiteral("/KB_K\u00f6slin_004.jpg"));
    QVERIFY(h.button("start")->isEnabled());
    QTest::mouseClick(h.button("start"), Qt::LeftButton);
    QVERIFY(h.button("stop")->isEnabled());
    QVERIFY(!h.window->listView()->isEnabled());
    QVERIFY(!h.child<QProgressBar>("progress")->isHidden());
    QTRY_VERIFY_WITH_TIMEOUT(!h.button("stop")->isEnabled(), 20000);
    for (int row = 0; row < 4; ++row) {
      QCOMPARE(h.cell(row, 2), QStringLiteral("OK"));
    }
    QVERIFY(std::filesystem::exists(std::filesystem::path(dir.path().toStdString()) /
                                    "KB_K\xC3\xB6slin_004.jpg"));
    QVERIFY(h.child<QProgressBar>("progress")->isHidden());
    QVERIFY(h.window->listView()->isEnabled());
  }

  // Against an archive that lets three requests a second through: every page arrives; with the
  // program's page cache a second run of the same pages into another folder asks nothing.
  void downloadsPolitelyAndFromThePageCache() {
    korvalis::testing::ArchiveServer server({"--fault", "ratelimit=3"});
    QTemporaryDir dir;
    QTemporaryDir cacheDir;
    PageCache cache(cacheDir.path().toStdString(), std::uint64_t{64} << 20);
    WindowHarness h(server.servicePrefix(), dir.path().toStdString() + "/");
    h.window->setPageCache(&cache);
    h.window->openForEntry("004010312", "00001-00004");
    QTest::mouseClick(h.button("createLinks"), Qt::LeftButton);
    for (const char* folder : {"/a", "/b"}) {
      std::filesystem::create_directories(dir.path().toStdString() + folder);
      h.trigger("checkAll");
      h.platform.queueFolder(dir.path().toStdString() + folder);
      QTest::mouseClick(h.button("chooseFolder"), Qt::LeftButton);
      h.child<QLineEdit>("patternField")->setText(QStringLiteral("S_[3]"));
      QTest::mouseClick(h.button("assignNames"), Qt::LeftButton);
      const std::size_t before = server.requestLog().size();
      QTest::mouseClick(h.button("start"), Qt::LeftButton);
      QTRY_VERIFY_WITH_TIMEOUT(!h.button("stop")->isEnabled(), 30000);
      for (int row = 0; row < 4; ++row) {
        QCOMPARE(h.cell(row, 2), QStringLiteral("OK"));
      }
      const auto log = server.requestLog();
      const auto turnedAway = std::count_if(
          log.begin() + static_cast<std::ptrdiff_t>(before), log.end(),
          [](const std::string& line) { return line.find("=> 429") != std::string::npos; });
      // The first run: a look-up and a download per page besides the turned-away requests; the
      // second: none at all.
      QCOMPARE(log.size() - before,
               folder == std::string("/a") ? 8U + static_cast<std::size_t>(turnedAway) : 0U);
    }
    QCOMPARE(cache.stats().entries, std::uint64_t{4});
    for (const char* name : {"/S_001.jpg", "/S_004.jpg"}) {
      QFile a(dir.path() + "/a" + name);
      QFile b(dir.path() + "/b" + name);
      QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
      const QByteArray first = a.readAll();
      QVERIFY(first.size() > 100);
      QCOMPARE(b.readAll(), first);
    }
  }
};

QTEST_MAIN(SaveWindowTest)
#include "save_window_test.moc"
