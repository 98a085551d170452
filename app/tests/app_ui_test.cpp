#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QThread>
#include <thread>

#include "app/app_state.h"
#include "app/help.h"
#include "app/ui/main_window.h"
#include "app/ui/screen_fit.h"
#include "archive/event_codes.h"
#include "platform/qt/qt_event_target.h"
#include "platform/scripted/scripted_platform.h"

using namespace korvalis;

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void frameHasTitleSizesAndScaledColumn() {
    AppState state;
    state.scaleX = 1.5F;
    MainWindow window(state);
    QCOMPARE(window.windowTitle(), QStringLiteral(" Korvalis"));
    QCOMPARE(window.minimumSize(), QSize(640, 480));
    QCOMPARE(window.size(), QSize(1024, 768));
    QCOMPARE(window.pos(), QPoint(10, 10));
    QCOMPARE(window.leftColumn()->width(), 330);
  }

  void statusFieldsAndProgressFollowMainViewCalls() {
    AppState state;
    MainWindow window(state);
    MainView& view = window;
    view.setStatusText(0, "Bereit");
    view.setStatusText(3, "Seite 4 von 9");
    view.setStatusText(7, "ignored");
    QCOMPARE(view.statusText(0), std::string("Bereit"));
    QCOMPARE(view.statusText(3), std::string("Seite 4 von 9"));
    QCOMPARE(view.statusText(7), std::string());
    view.setProgressRange(20);
    view.setProgressValue(25);
    QCOMPARE(window.progressBar()->maximum(), 20);
    QCOMPARE(window.progressBar()->value(), 20);
    view.setProgressRange(0);  // a zero range would leave a busy bar forever
    QCOMPARE(window.progressMaximum(), 1);
  }

  void htmlAndImageModeSwitchTheRightSide() {
    AppState state;
    MainWindow window(state);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.htmlView()->isVisible());  // the HTML view first
    window.setImageMode(1);
    QCOMPARE(window.imageMode(), 1);
    QVERIFY(window.pageArea()->isVisible());
    QVERIFY(!window.htmlView()->isVisible());
    window.setStatusText(1, " Zoom: 50%");
    window.setStatusText(3, "Original");
    // The HTML goes in behind the page; the page stays until the mode changes.
    window.showHtml("<p>Willkommen</p>");
    QCOMPARE(window.imageMode(), 1);
    QVERIFY(window.pageArea()->isVisible());
    window.setImageMode(0);
    QVERIFY(window.htmlView()->toPlainText().contains(QStringLiteral("Willkommen")));
    QVERIFY(window.htmlView()->isVisible());
    QVERIFY(!window.pageArea()->isVisible());
    // The page's texts go with the page.
    QCOMPARE(window.statusText(1), std::string());
    QCOMPARE(window.statusText(3), std::string());
  }

  // The start geometry shrinks and moves only as far as the screen's free area needs: the
  // 1024 x 768 window on a 1280 x 900 screen at 150 % (853 x 600 free) fits with its frame.
  void startGeometryFitsTheScreen() {
    struct Case {
      QRect wanted;
      QRect available;
      QMargins frame;
      QRect fitted;
    };
    const QSize minimum(640, 480);
    const QMargins frame(4, 30, 4, 4);
    const Case cases[] = {
        {{10, 10, 1024, 768}, {0, 0, 1920, 1050}, frame, {10, 10, 1024, 768}},
        {{10, 10, 1024, 768}, {0, 0, 853, 600}, frame, {0, 0, 845, 566}},
        {{10, 10, 1024, 768}, {0, 0, 1280, 800}, frame, {10, 0, 1024, 766}},
        {{10, 10, 1024, 768}, {0, 40, 1100, 860}, frame, {10, 40, 1024, 768}},
        {{10, 10, 1024, 768}, {1920, 0, 853, 600}, frame, {1920, 0, 845, 566}},
        {{10, 10, 1024, 768}, {0, 0, 600, 400}, frame, {0, 0, 640, 480}},
    };
    for (const Case& c : cases) {
      QCOMPARE(fitToArea(c.wanted, c.available, c.frame, minimum), c.fitted);
    }
  }

  void postedEventsArriveOnTheUiThread() {
    AppState state;
    MainWindow window(state);
    std::vector<std::pair<int, std::uintptr_t>> seen;
    bool onUiThread = true;
    window.setCompletionHandler([&](int code, std::uintptr_t job) {
      onUiThread = onUiThread && QThread::currentThread() == qApp->thread();
      seen.emplace_back(code, job);
    });
    auto target = window.eventTarget();
    std::thread worker([target] {
      target->postEvent(kLookupEvent, 42);
      target->postEvent(kProgressValueEvent, 7);
      target->postEvent(kPageImageEvent, 43);
    });
    worker.join();
    QVERIFY(seen.empty());  // nothing runs before the event loop delivers it
    QTRY_COMPARE(seen.size(), std::size_t{2});
    QVERIFY(onUiThread);
    QCOMPARE(seen[0].first, kLookupEvent);
    QCOMPARE(seen[0].second, std::uintptr_t{42});
    QCOMPARE(seen[1].first, kPageImageEvent);
    QCOMPARE(window.progressBar()->value(), 7);
  }

  void f1RunsHelpAndCloseRunsClosingStepsOnce() {
    AppState state;
    MainWindow window(state);
    int helpCalls = 0;
    int closeCalls = 0;
    window.setHelpHandler([&] { ++helpCalls; });
    window.setCloseHandler([&] { ++closeCalls; });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    QTest::keyClick(&window, Qt::Key_F1);
    QTRY_COMPARE(helpCalls, 1);
    window.close();
    window.close();
    QCOMPARE(closeCalls, 1);
  }

  void f1OpensTheShippedWebHelpAndItsLinksResolve() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString help = QStringLiteral(KORVALIS_TEST_SOURCE_DIR "/WebHelp");
    QDir().mkpath(dir.filePath(QStringLiteral("WebHelp")));
    QVERIFY(QFile::copy(help + "/Index.htm", dir.filePath(QStringLiteral("WebHelp/Index.htm"))));
    AppState state;
    state.programDir = dir.path().toStdString() + "/";
    ScriptedPlatform platform;
    MainWindow window(state);
    window.setHelpHandler([&] { showHelp(platform, state); });
    QTest::keyClick(&window, Qt::Key_F1);
    QCOMPARE(platform.openedDocuments().size(), std::size_t{1});
    QCOMPARE(platform.openedDocuments()[0], state.programDir + "WebHelp/Index.htm");

    // Every page the index links to exists and links back to the index.
    QFile index(help + "/Index.htm");
    QVERIFY(index.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(index.readAll());
    QRegularExpression link(QStringLiteral("href=\"([^\"]+\\.htm)\""));
    int pages = 0;
    for (auto it = link.globalMatch(text); it.hasNext(); ++pages) {
      QFile page(help + "/" + it.next().captured(1));
      QVERIFY2(page.open(QIODevice::ReadOnly), qPrintable(page.fileName()));
      QVERIFY(page.readAll().contains("href=\"Index.htm\""));
    }
    QVERIFY(pages >= 9);
  }
};

QTEST_MAIN(MainWindowTest)
#include "app_ui_test.moc"
