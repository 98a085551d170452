// "Seite speichern", "Drucken" and the record file named on the command line, as a user meets
// them in the assembled program: a page from the test archive server saved as JPEG, PNG and
// PDF (through the export window), printed whole and as the crop view's cut-out on the
// scripted printers.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <functional>

#include "app/tests/assembled_program.h"
#include "batch/ui/save_window.h"
#include "platform/file_io.h"
#include "platform/qt/qt_platform.h"
#include "print/ui/pdf_export_window.h"
#include "print/ui/print_window.h"
#include "records/ui/info_window.h"
#include "records/ui/search_window.h"
#include "viewer/image_codec.h"
#include "viewer/ui/post_process_window.h"
#include "viewer/ui/testing/settings_window_answer.h"

using namespace korvalis;
using korvalis::testing::ArchiveEnvironment;
using korvalis::testing::AssembledWindow;
using korvalis::testing::shownWindow;
using korvalis::testing::SettingsAnswer;

namespace {

const std::string kInvalidQuestion = "Das sind keine g\xFCltige Daten.\rNochmal ausw\xE4hlen?";

std::string sampleFile() {
  return std::string(KORVALIS_TEST_SOURCE_DIR) + "/data/Beispiel.krv";
}

// What a checking tool prints (standard output and error together).
QString toolOutput(const QString& program, const QStringList& args) {
  QProcess tool;
  tool.setProcessChannelMode(QProcess::MergedChannels);
  tool.start(program, args);
  return tool.waitForFinished(60000) ? QString::fromUtf8(tool.readAll()) : QString();
}

std::vector<std::uint8_t> fileBytes(const QString& path) {
  return readWholeFileBytes(path.toStdString()).value_or(std::vector<std::uint8_t>{});
}

/// The first leaf's page from the test archive server, double-clicked in the tree.
bool showFirstLeafPage(AssembledWindow& w) {
  if (!w.loadSample()) {
    return false;
  }
  w.doubleClickTree(w.tree()->visualRect(w.tree()->currentIndex()).center());
  return QTest::qWaitFor([&w] { return w.window.statusText(0) == " Fertig."; }, 10000) &&
         (w.state.view.pageBytes != nullptr);
}

/// "Seite speichern" with `path` and filter entry `filter` chosen in the save dialog.
void savePageAs(AssembledWindow& w, const QString& path, int filter) {
  w.platform.queueSaveFile(SaveDialogAnswer{path.toStdString(), filter});
  w.press(nav::ToolButton::SavePage);
}

/// Presses "Drucken"; `act` runs once the print window is shown and must end it.
void printWith(AssembledWindow& w, const std::function<void(PrintWindow&)>& act) {
  QTimer::singleShot(0, [act] {
    QTRY_VERIFY(shownWindow<PrintWindow>() != nullptr);
    act(*shownWindow<PrintWindow>());
  });
  // A window the test failed to end would block the run.
  QTimer safety;
  safety.setSingleShot(true);
  QObject::connect(&safety, &QTimer::timeout, [] {
    if (PrintWindow* window = shownWindow<PrintWindow>()) {
      window->done(0);
    }
  });
  safety.start(20000);
  w.press(nav::ToolButton::Print);
}

void addPrinters(ScriptedPlatform& platform) {
  platform.printers = {{{"Buero", "Laser 5", "file:///dev/null"}, {4960, 7016, 600}}};
  platform.defaultPrinter = "Buero";
}

// Whether the window manager keeps `window` above `owner`: its owner is `owner`'s window. On a
// real X display (the openbox run of this test) the window manager's view is read too: the
// window's WM_TRANSIENT_FOR names the owner's window.
bool ownedBy(const QWidget* window, const QWidget& owner) {
  const QWindow* handle = window != nullptr ? window->windowHandle() : nullptr;
  if (handle == nullptr || !window->isVisible() ||
      handle->transientParent() != owner.window()->windowHandle()) {
    return false;
  }
  if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
    return true;
  }
  // "WM_TRANSIENT_FOR(WINDOW): window id # 0x1a00007"
  const QString told =
      toolOutput("xprop", {"-id", QString::number(window->winId()), "WM_TRANSIENT_FOR"});
  return told.trimmed().section(QLatin1Char(' '), -1).toULongLong(nullptr, 16) ==
         owner.window()->winId();
}

// On a real X display: the windows as the window manager stacks them, bottom first.
QList<WId> stackedWindows() {
  const QString list = toolOutput("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"});
  QList<WId> ids;
  for (const QString& id : list.section(QLatin1Char('#'), 1).split(QLatin1Char(','))) {
    ids.append(id.trimmed().toULongLong(nullptr, 16));
  }
  return ids;
}

}  // namespace

class ProgramWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void savingTheDownloadedPage();
  void savingWritesThePageShownAtTheClick();
  void savingSharesTheSaveWindowsFolder();
  void savingAndPrintingInCropView();
  void recordFileFromTheCommandLine();
  void secondaryWindowsBelongToTheMainWindow();
  void chosenPrinterIsRememberedAcrossStarts();
};

// The save dialog runs an event loop: here the next page is asked for and shown while it is
// open. What gets written is the page shown at the click: the archive's bytes as JPEG, its
// pixels as a true-colour PNG.
void ProgramWindowsTest::savingWritesThePageShownAtTheClick() {
  const ArchiveEnvironment archive;
  AssembledWindow w;
  QVERIFY(showFirstLeafPage(w));
  QTemporaryDir dir;
  int arrivals = 0;
  w.platform.whileSaveDialog = [&w, &arrivals] {
    const PageBytes before = w.state.view.pageBytes;
    w.panel()->nextPageButton()->click();
    if (!w.panel()->isImmediateDisplay()) {
      w.panel()->showButton()->click();
    }
    QTRY_VERIFY_WITH_TIMEOUT(
        w.window.statusText(0) == " Fertig." && w.state.view.pageBytes != before, 10000);
    ++arrivals;
  };

  const std::vector<unsigned char> clicked = *w.state.view.pageBytes;
  {
    SettingsAnswer answer;
    savePageAs(w, dir.filePath(QStringLiteral("seite.jpg")), 1);
  }
  QCOMPARE(arrivals, 1);
  QVERIFY(*w.state.view.pageBytes != clicked);
  QVERIFY(fileBytes(dir.filePath(QStringLiteral("seite.jpg"))) == clicked);

  const Image clickedImage = w.pageView()->pageImage();
  {
    SettingsAnswer answer{3};  // "True Color"
    savePageAs(w, dir.filePath(QStringLiteral("seite.png")), 2);
    QVERIFY(answer.seen);
  }
  QCOMPARE(arrivals, 2);
  const Image written = decodeImage(fileBytes(dir.filePath(QStringLiteral("seite.png")))).image;
  QCOMPARE(written.width(), clickedImage.width());
  QCOMPARE(written.height(), clickedImage.height());
  bool samePixels = true;
  for (int y = 0; y < written.height() && samePixels; ++y) {
    for (int x = 0; x < written.width(); ++x) {
      samePixels =
          samePixels && (written.pixel(x, y) & 0xFFFFFFU) == (clickedImage.pixel(x, y) & 0xFFFFFFU);
    }
  }
  QVERIFY(samePixels);
  QVERIFY(!(w.pageView()->pageImage() == clickedImage));
  QVERIFY(w.platform.messages().empty());
}

// A page as the archive sent it: as seite.jpg byte for byte without the quality window; as PNG
// at 16 colours a 4-bit palette file; as PDF through the export window, a file qpdf accepts
// holding the page at its size. Closing the main window closes an open export window.
void ProgramWindowsTest::savingTheDownloadedPage() {
  const ArchiveEnvironment archive;
  AssembledWindow w;
  QVERIFY(showFirstLeafPage(w));
  QVERIFY(w.enabled(nav::ToolButton::SavePage));
  const std::vector<unsigned char> sent = *w.state.view.pageBytes;
  QTemporaryDir dir;

  {
    SettingsAnswer answer;
    savePageAs(w, dir.filePath(QStringLiteral("seite.jpg")), 1);
    QCoreApplication::processEvents();
    QVERIFY(!answer.seen);
  }
  QVERIFY(fileBytes(dir.filePath(QStringLiteral("seite.jpg"))) == sent);
  QCOMPARE(w.platform.dialogs().back().title, std::string("Angezeigte Seite speichern..."));
  QCOMPARE(w.platform.dialogs().back().preselectedFilter, 1);  // JPG
  QCOMPARE(w.state.pageSaveDir, dir.path().toStdString() + "/");
  QVERIFY(w.platform.messages().empty());

  {
    SettingsAnswer answer{1};  // " 16 Farben"
    savePageAs(w, dir.filePath(QStringLiteral("seite")), 2);
    QVERIFY(answer.seen);
    QCOMPARE(answer.options.value(1), QStringLiteral(" 16 Farben"));
  }
  const std::vector<std::uint8_t> png = fileBytes(dir.filePath(QStringLiteral("seite.png")));
  QVERIFY(png.size() > 26);
  QCOMPARE(int(png[24]), 4);  // IHDR: bit depth 4
  QCOMPARE(int(png[25]), 3);  // palette colours
  const Image reduced = decodeImage(png).image;
  QCOMPARE(reduced.width(), w.pageView()->pageImage().width());

  const QString pdf = dir.filePath(QStringLiteral("seite.pdf"));
  savePageAs(w, pdf, 3);
  PdfExportWindow* export_ = shownWindow<PdfExportWindow>();
  QVERIFY(export_ != nullptr);
  QCOMPARE(QApplication::activeModalWidget(), export_);
  export_->createButton()->click();
  QVERIFY(!export_->isVisible());
  QVERIFY(toolOutput("qpdf", {"--check", pdf}).contains("No syntax or stream encoding errors"));
  const QString images = toolOutput("pdfimages", {"-list", pdf});
  const QString size = QStringLiteral("%1 %2")
                           .arg(w.pageView()->pageImage().width(), 5)
                           .arg(w.pageView()->pageImage().height(), 5);
  QVERIFY2(images.contains(size) && images.contains("jpeg"), qPrintable(images));
  QVERIFY(w.platform.messages().empty());

  savePageAs(w, dir.filePath(QStringLiteral("offen.pdf")), 3);
  QVERIFY(shownWindow<PdfExportWindow>() != nullptr);
  w.window.close();
  QVERIFY(shownWindow<PdfExportWindow>() == nullptr);
  QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("offen.pdf"))));
}

// "Seite speichern" and the save window share one target folder: the folder chosen in the save
// window is where the save dialog starts, and a page saved elsewhere moves the save window's
// folder (its field and its folder dialog) there.
void ProgramWindowsTest::savingSharesTheSaveWindowsFolder() {
  const ArchiveEnvironment archive;
  AssembledWindow w;
  QVERIFY(showFirstLeafPage(w));
  auto* save = w.window.findChild<SaveWindow*>(QStringLiteral("saveWindow"));
  QVERIFY(save != nullptr);
  auto* folderField = save->findChild<QLineEdit*>(QStringLiteral("folderField"));
  auto* chooseFolder = save->findChild<QPushButton*>(QStringLiteral("chooseFolder"));
  QVERIFY(folderField != nullptr && chooseFolder != nullptr);
  QTemporaryDir chosen;
  QTemporaryDir saved;
  const std::string chosenDir = chosen.path().toStdString() + "/";
  const std::string savedDir = saved.path().toStdString() + "/";

  w.press(nav::ToolButton::SaveWindow);
  w.platform.queueFolder(chosen.path().toStdString());
  QTest::mouseClick(chooseFolder, Qt::LeftButton);
  QCOMPARE(folderField->text().toStdString(), chosenDir);
  w.press(nav::ToolButton::SaveWindow);

  savePageAs(w, saved.filePath(QStringLiteral("seite.jpg")), 1);
  QCOMPARE(w.platform.dialogs().back().startDir, chosenDir);
  QVERIFY(QFileInfo::exists(saved.filePath(QStringLiteral("seite.jpg"))));

  w.press(nav::ToolButton::SaveWindow);
  QCOMPARE(folderField->text().toStdString(), savedDir);
  w.platform.queueFolder(std::nullopt);
  QTest::mouseClick(chooseFolder, Qt::LeftButton);
  QCOMPARE(w.platform.dialogs().back().startDir, savedDir);
  QCOMPARE(folderField->text().toStdString(), savedDir);
  w.press(nav::ToolButton::SaveWindow);

  // The save window's list folder goes back to the program's state when the program closes,
  // for the state file an installed program keeps.
  QTemporaryDir lists;
  w.platform.queueOpenFile(lists.filePath(QStringLiteral("fehlt.krl")).toStdString());
  save->findChild<QAction*>(QStringLiteral("loadList"))->trigger();
  QCOMPARE(w.platform.dialogs().back().kind, std::string("open"));
  w.window.close();
  QCOMPARE(w.state.saveListDir, lists.path().toStdString());
}

// "Drucken" prints the page image; in crop view "Seite speichern" writes the cut-out at full
// resolution and "Drucken" prints the cut-out.
void ProgramWindowsTest::savingAndPrintingInCropView() {
  const ArchiveEnvironment archive;
  AssembledWindow w;
  addPrinters(w.platform);
  QVERIFY(showFirstLeafPage(w));
  QVERIFY(w.enabled(nav::ToolButton::Print));
  const Image& page = w.pageView()->pageImage();

  std::pair<int, int> shownSize;
  const auto printShown = [&shownSize](PrintWindow& window) {
    shownSize = {window.layout().imageWidth, window.layout().imageHeight};
    window.printButton()->click();
  };
  printWith(w, printShown);
  QCOMPARE(shownSize, std::make_pair(page.width(), page.height()));
  QTRY_COMPARE(w.platform.printedPages().size(), std::size_t{1});
  QCOMPARE(w.platform.printedPages()[0].imageWidth, page.width());
  QVERIFY(w.window.isEnabled());

  w.dragOnPage(QPoint(150, 120), QPoint(30, 20));
  QVERIFY(w.pressed(nav::ToolButton::Crop));
  const Image cut = w.pageView()->displayImage();
  QVERIFY(cut.width() > 120 && cut.width() < page.width());

  QTemporaryDir dir;
  {
    SettingsAnswer answer{3};  // "True Color"
    savePageAs(w, dir.filePath(QStringLiteral("ausschnitt.png")), 2);
    QVERIFY(answer.seen);
  }
  const Image saved =
      decodeImageFile(dir.filePath(QStringLiteral("ausschnitt.png")).toStdString()).image;
  QCOMPARE(saved.width(), cut.width());
  QCOMPARE(saved.height(), cut.height());
  QCOMPARE(saved.pixel(7, 5) & 0xFFFFFFU, cut.pixel(7, 5) & 0xFFFFFFU);

  printWith(w, printShown);
  QCOMPARE(shownSize, std::make_pair(cut.width(), cut.height()));
  QTRY_COMPARE(w.platform.printedPages().size(), std::size_t{2});
  QCOMPARE(w.platform.printedPages()[1].imageHeight, cut.height());
  QVERIFY(w.pressed(nav::ToolButton::Crop));  // still in crop view
}

// A valid record file named on the command line is loaded without the dialog; an invalid one
// gets the question, and Yes opens the dialog.
void ProgramWindowsTest::recordFileFromTheCommandLine() {
  {
    AssembledWindow w;
    QVERIFY(w.program.start(sampleFile()));
    QVERIFY(w.platform.dialogs().empty());
    QVERIFY(w.platform.messages().empty());
    QVERIFY(!w.state.session.records.list.empty());
    QVERIFY(w.records.selectedLeafEntry() != kNoEntry);
    QVERIFY(!w.window.idField().empty());
  }
  QTemporaryDir dir;
  const QString broken = dir.filePath(QStringLiteral("Kaputt.krv"));
  QVERIFY(writeFileAtomically(broken.toStdString(), std::string_view("kein Datensatz\r\n")));
  {
    AssembledWindow w;
    w.platform.queueMessageAnswer(MessageAnswer::Yes);
    w.platform.queueOpenFile(sampleFile());
    QVERIFY(w.program.start(broken.toStdString()));
    QCOMPARE(w.platform.messages().size(), std::size_t{1});
    QCOMPARE(w.platform.messages()[0].title, std::string("Fehler!"));
    QCOMPARE(w.platform.messages()[0].text, kInvalidQuestion);
    QCOMPARE(w.platform.dialogs().size(), std::size_t{1});
    QVERIFY(!w.state.session.records.list.empty());
  }
  {
    AssembledWindow w;
    w.platform.queueMessageAnswer(MessageAnswer::No);
    QVERIFY(!w.program.start(broken.toStdString()));
    QVERIFY(w.platform.dialogs().empty());
  }
}

// Every window beside the main window belongs to it and stays above it: the save window, the
// record windows, the print window, the PDF export window, post-processing and the program's
// own help pages; a message box asked from the save window belongs to the save window.
void ProgramWindowsTest::secondaryWindowsBelongToTheMainWindow() {
  const ArchiveEnvironment archive;
  AssembledWindow w;
  addPrinters(w.platform);
  QVERIFY(showFirstLeafPage(w));
  const QWidget& main = w.window;

  w.records.showInfoWindow();
  w.records.showSearchWindow();
  QVERIFY(ownedBy(w.records.infoWindow(), main));
  QVERIFY(ownedBy(w.records.searchWindow(), main));
  w.records.hideInfoWindow();
  w.records.searchWindow()->close();

  bool printOwned = false;
  printWith(w, [&printOwned, &main](PrintWindow& window) {
    printOwned = ownedBy(&window, main);
    window.quitButton()->click();
  });
  QVERIFY(printOwned);

  QTemporaryDir dir;
  savePageAs(w, dir.filePath(QStringLiteral("seite.pdf")), 3);
  PdfExportWindow* export_ = shownWindow<PdfExportWindow>();
  QVERIFY(ownedBy(export_, main));
  export_->close();

  w.press(nav::ToolButton::PostProcess);
  PostProcessWindow* post = shownWindow<PostProcessWindow>();
  QVERIFY(ownedBy(post, main));
  post->close();
  QVERIFY(w.window.isEnabled());

  QtPlatform desktop;
  desktop.setDialogParent(&w.window);
  desktop.showHelpPages(std::string(KORVALIS_TEST_SOURCE_DIR) + "/WebHelp/Index.htm");
  QVERIFY(ownedBy(desktop.helpPagesWindow(), main));

  w.press(nav::ToolButton::SaveWindow);
  QWidget* save = w.window.findChild<QWidget*>(QStringLiteral("saveWindow"));
  QVERIFY(ownedBy(save, main));
  save->activateWindow();
  QTRY_COMPARE(QApplication::activeWindow(), save);
  const auto ownedBySave = [save](bool& owned) {
    QTimer::singleShot(0, [&owned, save] {
      QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
      QWidget* dialog = QApplication::activeModalWidget();
      owned = ownedBy(dialog, *save);
      dialog->close();
    });
  };
  bool boxOwned = false;
  ownedBySave(boxOwned);
  desktop.message("Fehler!", "Test", MessageSign::Warning);
  QVERIFY(boxOwned);
  save->activateWindow();
  QTRY_COMPARE(QApplication::activeWindow(), save);
  bool folderDialogOwned = false;
  ownedBySave(folderDialogOwned);
  QVERIFY(!desktop.folderDialog("Ordner", dir.path().toStdString()));
  QVERIFY(folderDialogOwned);

  if (QGuiApplication::platformName() == QStringLiteral("xcb")) {
    // A click on the grey main window, which raises it, leaves the save window above it. The
    // window manager has taken the raise once the stacking changes; a window manager that
    // keeps the save window above may leave it as it was.
    const QList<WId> before = stackedWindows();
    QTest::mouseClick(w.window.windowHandle(), Qt::LeftButton, {}, QPoint(400, 300));
    w.window.activateWindow();
    w.window.raise();
    static_cast<void>(QTest::qWaitFor([&before] { return stackedWindows() != before; }, 2000));
    const QList<WId> stack = stackedWindows();
    QVERIFY(stack.contains(w.window.winId()));
    QVERIFY(stack.indexOf(save->winId()) > stack.indexOf(w.window.winId()));
  }
}

// The printer chosen in the print window is printed on and preselected after a new start of the
// program (the state file); the user's default printer stays as it was.
void ProgramWindowsTest::chosenPrinterIsRememberedAcrossStarts() {
  const ArchiveEnvironment archive;
  QTemporaryDir stateHome;
  qputenv("XDG_STATE_HOME", stateHome.path().toUtf8());
  const auto twoPrinters = [](ScriptedPlatform& platform) {
    addPrinters(platform);
    platform.printers.push_back(
        {{"Korvalis_PDF", "Generic PDF", "file:///dev/null"}, {2480, 3508, 300}});
  };
  {
    AssembledWindow w;
    twoPrinters(w.platform);
    QVERIFY(showFirstLeafPage(w));
    printWith(w, [](PrintWindow& window) {
      const int pdf = window.printerList()->findText(QStringLiteral("Korvalis_PDF"));
      window.printerList()->setCurrentIndex(pdf);
      emit window.printerList()->activated(pdf);
      window.printButton()->click();
    });
    QTRY_COMPARE(w.platform.printedPages().size(), std::size_t{1});
    QCOMPARE(w.platform.printedPages()[0].printer, std::string("Korvalis_PDF"));
    QCOMPARE(w.platform.defaultPrinter, std::string("Buero"));
  }
  QString preselected;
  {
    AssembledWindow w;
    twoPrinters(w.platform);
    QVERIFY(showFirstLeafPage(w));
    printWith(w, [&preselected](PrintWindow& window) {
      preselected = window.printerList()->currentText();
      window.quitButton()->click();
    });
  }
  qunsetenv("XDG_STATE_HOME");
  QCOMPARE(preselected, QStringLiteral("Korvalis_PDF"));
}

QTEST_MAIN(ProgramWindowsTest)
#include "program_windows_test.moc"
