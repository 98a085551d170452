// The assembled program for window tests: the main window built by the same composition root
// as main() does, with the scripted platform, and the test archive server in the environment.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/app_state_init.h"
#include "app/ui/main_toolbar.h"
#include "app/ui/main_window.h"
#include "app/ui/navigation_panel.h"
#include "app/ui/program.h"
#include "archive/tests/archive_server_fixture.h"
#include "platform/scripted/scripted_platform.h"
#include "records/ui/record_tree_view.h"
#include "records/ui/records_controller.h"
#include "viewer/ui/page_view.h"

namespace korvalis::testing {

/// The start values, from the environment (the archive's address), as main() sets them.
inline AppState startValues() {
  AppState initial;
  initialiseAppState(initial);
  return initial;
}

/// A page cache folder of the test's own (XDG_CACHE_HOME), empty at the start, so no test
/// finds the pages another one kept and every test asks the archive as it expects.
struct OwnCacheFolder {
  OwnCacheFolder() { qputenv("XDG_CACHE_HOME", folder.path().toLocal8Bit()); }
  ~OwnCacheFolder() { qunsetenv("XDG_CACHE_HOME"); }
  OwnCacheFolder(const OwnCacheFolder&) = delete;
  OwnCacheFolder& operator=(const OwnCacheFolder&) = delete;
  QString pages() const { return folder.filePath(QStringLiteral("korvalis/pages")); }
  QTemporaryDir folder;
};

/// A settings file of the test's own with `text` (XDG_CONFIG_HOME), for the programs built
/// while it lives.
struct SettingsFile {
  explicit SettingsFile(const std::string& text) {
    QDir(folder.path()).mkpath(QStringLiteral("korvalis"));
    QFile file(folder.filePath(QStringLiteral("korvalis/korvalis.conf")));
    if (file.open(QIODevice::WriteOnly)) {
      file.write(text.data(), static_cast<qint64>(text.size()));
    }
    qputenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit());
  }
  ~SettingsFile() { qunsetenv("XDG_CONFIG_HOME"); }
  SettingsFile(const SettingsFile&) = delete;
  SettingsFile& operator=(const SettingsFile&) = delete;
  QTemporaryDir folder;
};

/// The top-level window of type `Window` that is shown, or null.
template <class Window>
Window* shownWindow() {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (auto* window = qobject_cast<Window*>(top); window != nullptr && window->isVisible()) {
      return window;
    }
  }
  return nullptr;
}

// The program's main window put together as main() does, by the same composition root, with
// the scripted platform.
struct AssembledWindow {
  AssembledWindow() {
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
  }
  /// The start-up with the sample record file chosen in the first dialog.
  bool loadSample() {
    platform.queueOpenFile(std::string(KORVALIS_TEST_SOURCE_DIR) + "/data/Beispiel.krv");
    if (!program.start() || state.session.records.list.empty()) {
      return false;
    }
    // The start-up notice had the focus while it was up.
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
  }

  NavigationPanel* panel() { return &program.navigationPanel(); }
  MainToolBar* toolBar() { return &program.toolBar(); }
  PageView* pageView() { return &program.pageView(); }
  RecordTreeView* tree() { return records.treeView(); }
  void press(nav::ToolButton button) { toolBar()->action(button)->trigger(); }
  bool enabled(nav::ToolButton button) { return toolBar()->isButtonEnabled(button); }
  /// The text a status field shows on the screen.
  QString shownStatus(int field) { return window.statusField(field)->text(); }
  bool pressed(nav::ToolButton button) { return toolBar()->isPressed(button); }
  /// A key as the user types it, into the control that has the focus.
  void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus != nullptr ? focus : &window, k, modifiers);
  }
  /// A double click as the mouse makes it: the first click, then the second.
  void doubleClickTree(QPoint at) {
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree()->viewport(), Qt::LeftButton, {}, at);
  }
  /// "Seite zeigen" with the file `path` chosen in the dialog.
  void openFromDisk(const std::string& path) {
    platform.queueOpenFile(path);
    press(nav::ToolButton::ShowPage);
  }
  /// A left-button drag on the page canvas from `from` to `to` (canvas pixels).
  void dragOnPage(QPoint from, QPoint to) {
    QWidget* canvas = pageView()->widget();
    QTest::mousePress(canvas, Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), canvas->mapToGlobal(QPointF(to)), Qt::NoButton,
                     Qt::LeftButton, {});
    QApplication::sendEvent(canvas, &move);
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, to);
  }

  OwnCacheFolder cacheFolder;
  // Initialised first, from the environment (the archive's address), as main() does.
  AppState state = startValues();
  ScriptedPlatform platform;
  Program program{state, platform};
  MainWindow& window = program.mainWindow();
  RecordsController& records = program.records();
};

// Points the program at a started test archive server through its environment, as the demo
// does, for the lifetime of the object.
struct ArchiveEnvironment {
  explicit ArchiveEnvironment(const std::vector<std::string>& serverArgs = {})
      : server(serverArgs) {
    qputenv("KORVALIS_ARCHIVE_URL", QByteArray::fromStdString(server.baseUrl()));
    qputenv("KORVALIS_CA_FILE",
            QByteArray::fromStdString(korvalis::testing::ArchiveServer::caFile()));
  }
  ~ArchiveEnvironment() {
    qunsetenv("KORVALIS_ARCHIVE_URL");
    qunsetenv("KORVALIS_CA_FILE");
  }
  ArchiveEnvironment(const ArchiveEnvironment&) = delete;
  ArchiveEnvironment& operator=(const ArchiveEnvironment&) = delete;

  korvalis::testing::ArchiveServer server;
};

}  // namespace korvalis::testing
