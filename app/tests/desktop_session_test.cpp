// A session with the assembled program on whatever desktop the test runs on: offscreen in the
// suite, and on a headless Wayland compositor (weston_run.sh), where windows are placed by the
// compositor and never where the program asks. The record file is chosen in a real file
// dialog, a page comes from the test archive server, the save window, the print window and the
// save dialog open and close, and the page and a field are copied to the desktop's clipboard.
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>

#include "app/tests/assembled_program.h"
#include "platform/file_io.h"
#include "platform/qt/qt_platform.h"
#include "print/ui/print_window.h"

using namespace korvalis;
using korvalis::testing::ArchiveEnvironment;
using korvalis::testing::shownWindow;

namespace {

// The scripted platform (printers, message answers) with the desktop's own file dialogs and
// clipboard, as the program meets them.
class SessionPlatform final : public ScriptedPlatform {
 public:
  std::optional<std::string> openFileDialog(std::string_view title, std::string_view startDir,
                                            std::string_view filter) override {
    return desktop.openFileDialog(title, startDir, filter);
  }
  std::optional<SaveDialogAnswer> saveFileDialog(std::string_view title, std::string_view startDir,
                                                 std::string_view filter,
                                                 std::string_view defaultName,
                                                 int preselectedFilter) override {
    return desktop.saveFileDialog(title, startDir, filter, defaultName, preselectedFilter);
  }
  void setClipboardText(std::string_view text) override { desktop.setClipboardText(text); }
  std::string clipboardText() override { return desktop.clipboardText(); }
  void setClipboardImage(const Image& image) override { desktop.setClipboardImage(image); }
  Image clipboardImage() override { return desktop.clipboardImage(); }

  QtPlatform desktop;
};

// Runs `act` on the next modal window once it is shown and exposed; `act` must end it.
void whenModalShown(std::function<void(QWidget&)> act) {
  auto* poll = new QTimer(qApp);
  QObject::connect(poll, &QTimer::timeout, [poll, act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal->windowHandle() != nullptr &&
        modal->windowHandle()->isExposed()) {
      poll->stop();
      poll->deleteLater();
      act(*modal);
    }
  });
  poll->start(20);
}

// Answers the next file dialog with `path`, as a user types it and presses "Öffnen"/"Speichern".
void answerFileDialog(const QString& path, bool& shown) {
  whenModalShown([path, &shown](QWidget& modal) {
    auto* dialog = qobject_cast<QFileDialog*>(&modal);
    shown = dialog != nullptr;
    if (dialog == nullptr) {
      modal.close();
      return;
    }
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    shown = name != nullptr;
    if (name == nullptr) {
      dialog->reject();
      return;
    }
    name->setText(path);
    static_cast<QDialog*>(dialog)->accept();  // the file dialog's own checks run
  });
}

}  // namespace

class DesktopSessionTest : public QObject {
  Q_OBJECT

 private slots:
  void sessionOnThisDesktop();
};

void DesktopSessionTest::sessionOnThisDesktop() {
  // A run for a named desktop must not fall back to another platform unnoticed.
  if (qEnvironmentVariableIsSet("KORVALIS_TEST_PLATFORM")) {
    QCOMPARE(QGuiApplication::platformName(), qEnvironmentVariable("KORVALIS_TEST_PLATFORM"));
  }
  const ArchiveEnvironment archive;
  AppState state = korvalis::testing::startValues();
  SessionPlatform platform;
  platform.printers = {{{"Buero", "Laser 5", "file:///dev/null"}, {4960, 7016, 600}}};
  platform.defaultPrinter = "Buero";
  Program program(state, platform);
  MainWindow& window = program.mainWindow();
  platform.desktop.setDialogParent(&window);

  bool openDialogShown = false;
  answerFileDialog(QStringLiteral(KORVALIS_TEST_SOURCE_DIR "/data/Beispiel.krv"), openDialogShown);
  QVERIFY(program.start());
  QVERIFY(openDialogShown);
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QVERIFY(window.width() >= window.minimumWidth() && window.height() >= window.minimumHeight());

  // A page from the archive: the first leaf, double-clicked.
  RecordTreeView* tree = program.records().treeView();
  const QPoint leaf = tree->visualRect(tree->currentIndex()).center();
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, leaf);
  QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, leaf);
  QTRY_COMPARE_WITH_TIMEOUT(window.statusText(0), std::string(" Fertig."), 15000);
  const Image page = program.pageView().pageImage();
  QVERIFY(!page.isNull());

  // Copied to the desktop's clipboard: the page from the tree, the film's ID from its field.
  // A Wayland compositor takes a selection only from a client that has had the keyboard's
  // focus; on a loaded machine that may come late, so the copy is repeated until it holds.
  tree->setFocus();
  const bool copied = QTest::qWaitFor(
      [&] {
        QTest::keyClick(tree, Qt::Key_C, Qt::ControlModifier);
        return QTest::qWaitFor(
            [&] { return platform.desktop.clipboardImage().width() == page.width(); }, 1000);
      },
      30000);
  QVERIFY(copied);
  QCOMPARE(platform.desktop.clipboardImage().height(), page.height());
  QLineEdit* id = program.navigationPanel().idField();
  id->setFocus();
  QTest::keyClick(id, Qt::Key_C, Qt::ControlModifier);
  QTRY_COMPARE_WITH_TIMEOUT(platform.desktop.clipboardText(), id->text().toStdString(), 20000);

  // The save window comes up beside the main window it belongs to, and closes.
  program.toolBar().action(nav::ToolButton::SaveWindow)->trigger();
  QWidget* save = window.findChild<QWidget*>(QStringLiteral("saveWindow"));
  QVERIFY(save != nullptr);
  QVERIFY(QTest::qWaitForWindowExposed(save));
  QCOMPARE(save->windowHandle()->transientParent(), window.windowHandle());
  QVERIFY(save->width() >= save->minimumWidth());
  save->close();
  QVERIFY(!save->isVisible());

  // The print window, modal over the main window, and "Quit".
  bool printShown = false;
  whenModalShown([&printShown, &window](QWidget& modal) {
    auto* print = qobject_cast<PrintWindow*>(&modal);
    printShown =
        print != nullptr && modal.windowHandle()->transientParent() == window.windowHandle();
    if (print != nullptr) {
      print->quitButton()->click();
    } else {
      modal.close();
    }
  });
  program.toolBar().action(nav::ToolButton::Print)->trigger();
  QVERIFY(printShown);
  QVERIFY(window.isEnabled());

  // "Seite speichern" through the desktop's save dialog writes the page as it arrived.
  QTemporaryDir dir;
  const QString saved = dir.filePath(QStringLiteral("seite.jpg"));
  bool saveDialogShown = false;
  answerFileDialog(saved, saveDialogShown);
  program.toolBar().action(nav::ToolButton::SavePage)->trigger();
  QVERIFY(saveDialogShown);
  QVERIFY(state.view.pageBytes != nullptr &&
          readWholeFileBytes(saved.toStdString()) == *state.view.pageBytes);

  window.close();
  QVERIFY(!window.isVisible());
}

QTEST_MAIN(DesktopSessionTest)
#include "desktop_session_test.moc"
