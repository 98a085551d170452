#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <chrono>
#include <functional>
#include <future>
#include <initializer_list>

#include "platform/scripted/scripted_platform.h"
#include "print/ui/print_window.h"

using namespace korvalis;

namespace {

// A4 at 600 dpi; the second printer at 300 dpi.
ScriptedPlatform::ScriptedPrinter printer(std::string name, std::string model, int width,
                                          int height) {
  return {{std::move(name), std::move(model), "file:///dev/null"}, {width, height, 600}};
}

void addPrinters(ScriptedPlatform& p) {
  p.printers = {printer("Buero", "Laser 5", 4960, 7016),
                printer("Datei", "Generic PDF", 2480, 3508)};
  p.defaultPrinter = "Buero";
}

Image picture(int w, int h) {
  return Image::filled(w, h, makePixel(20, 40, 160));
}

PrintWindow* openWindow() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* window = qobject_cast<PrintWindow*>(w); window != nullptr && window->isVisible()) {
      return window;
    }
  }
  return nullptr;
}

/// Runs the print window over `owner`; `act` runs once the window is shown and must close it.
/// `printerChoice` is the printer chosen in the window before (none when not given).
void runWith(ScriptedPlatform& platform, const Image& image, QWidget* owner,
             const std::function<void(PrintWindow&)>& act, std::function<void()> help = {},
             std::string* printerChoice = nullptr) {
  QTimer::singleShot(0, [act] {
    QTRY_VERIFY(openWindow() != nullptr);
    PrintWindow& window = *openWindow();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    act(window);
  });
  // A window the test forgot to close would block the run.
  QTimer safety;
  safety.setSingleShot(true);
  QObject::connect(&safety, &QTimer::timeout, [] {
    if (PrintWindow* w = openWindow()) {
      w->done(0);
    }
  });
  safety.start(20000);
  std::string noChoice;
  PrintWindow::runPrintWindow(platform, image, std::move(help), owner,
                              printerChoice != nullptr ? *printerChoice : noChoice);
}

}  // namespace

class PrintWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void noDefaultPrinterShowsTheMessageOnly() {
    ScriptedPlatform platform;
    addPrinters(platform);
    platform.defaultPrinter.clear();
    QWidget owner;
    owner.show();
    std::string choice;
    PrintWindow::runPrintWindow(platform, picture(100, 100), {}, &owner, choice);
    QCOMPARE(platform.messages().size(), std::size_t{1});
    QCOMPARE(platform.messages()[0].title, std::string("Fehler!"));
    QCOMPARE(platform.messages()[0].text, std::string("Drucker nicht bereit."));
    QCOMPARE(platform.messages()[0].sign, MessageSign::Warning);
    QVERIFY(owner.isEnabled());
  }

  void opensModalOverTheDisabledOwner() {
    ScriptedPlatform platform;
    addPrinters(platform);
    QWidget owner;
    owner.move(40, 30);
    owner.resize(300, 200);
    owner.show();
    bool checked = false;
    runWith(platform, picture(2000, 1000), &owner, [&](PrintWindow& w) {
      QVERIFY(!owner.isEnabled());
      QVERIFY(w.isEnabled());
      QVERIFY(w.isModal());
      QCOMPARE(w.windowTitle(), QString("Drucken"));
      QCOMPARE(w.size(), QSize(230, 522));
      QCOMPARE(w.pos(), owner.pos());
      QCOMPARE(w.printerList()->count(), 2);
      QCOMPARE(w.printerList()->currentText(), QString("Buero"));
      QCOMPARE(w.layout().pageWidth, 4960);
      QCOMPARE(w.layout().leftPx, 354);
      QCOMPARE(w.layout().printWidth, 4252);
      QCOMPARE(w.previewImage().width(), 210);
      QCOMPARE(w.previewImage().pixel(15, 100), kPreviewLineColour);
      checked = true;
      w.quitButton()->click();
    });
    QVERIFY(checked);
    QVERIFY(owner.isEnabled());
    QVERIFY(platform.printedPages().empty());
  }

  void noPrinterInstalledIsReported() {
    // The default opens, but the list comes back empty (the service lost its printers).
    struct EmptyList : ScriptedPlatform {
      std::vector<PrinterEntry> listPrinters() override { return {}; }
    } empty;
    addPrinters(empty);
    runWith(empty, picture(10, 10), nullptr, [](PrintWindow& w) { w.quitButton()->click(); });
    QCOMPARE(empty.messages().size(), std::size_t{1});
    QCOMPARE(empty.messages()[0].title, std::string("Error"));
    QCOMPARE(empty.messages()[0].text, std::string("No printer installed"));
  }

  void marginFieldRules_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("expected");
    // Return accepts 0 to 100 only and otherwise puts the last accepted value back; the arrows
    // and a lost focus keep what the field's own range allows.
    QTest::newRow("top: typed 120 and Return restores 15")
        << int(PrintWindow::Top) << "120\r" << 15;
    QTest::newRow("top: typed 40 and Return takes 40") << int(PrintWindow::Top) << "40\r" << 40;
    QTest::newRow("top: stepped to 120 keeps 120") << int(PrintWindow::Top) << "step 120" << 120;
    QTest::newRow("top: typed 120 and focus lost keeps 120")
        << int(PrintWindow::Top) << "120\t" << 120;
    QTest::newRow("bottom: typed 0 and Return takes 0") << int(PrintWindow::Bottom) << "0\r" << 0;
    QTest::newRow("left: stepped beyond 100 stops at 100")
        << int(PrintWindow::Left) << "step 130" << 100;
    QTest::newRow("right: typed 100 and Return takes 100")
        << int(PrintWindow::Right) << "100\r" << 100;
  }

  void marginFieldRules() {
    QFETCH(int, field);
    QFETCH(QString, action);
    QFETCH(int, expected);
    ScriptedPlatform platform;
    addPrinters(platform);
    runWith(platform, picture(1000, 1400), nullptr, [&](PrintWindow& w) {
      QSpinBox* box = w.marginField(static_cast<PrintWindow::Field>(field));
      if (action.startsWith("step ")) {
        const int target = action.mid(5).toInt();
        box->setFocus();
        while (box->value() < target && box->value() < box->maximum()) {
          box->stepUp();
        }
      } else {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, action.chopped(1));
        QTest::keyClick(box, action.endsWith('\r') ? Qt::Key_Return : Qt::Key_Tab);
      }
      QCOMPARE(box->value(), expected);
      QCOMPARE(box->text(), QString::number(expected));
      const PrintMargins m = w.layout().margins();
      const int inLayout = field == PrintWindow::Top      ? m.top
                           : field == PrintWindow::Bottom ? m.bottom
                           : field == PrintWindow::Left   ? m.left
                                                          : m.right;
      QCOMPARE(inLayout, expected);
      QTRY_VERIFY(w.printButton()->hasFocus());
      // A later Return on an emptied field goes back to this accepted value.
      box->setFocus();
      box->selectAll();
      QTest::keyClick(box, Qt::Key_Backspace);
      QTest::keyClick(box, Qt::Key_Return);
      QCOMPARE(box->value(), expected);
      QCOMPARE(box->text(), QString::number(expected));
      w.quitButton()->click();
    });
  }

  void turningSwapsThePrintableArea() {
    ScriptedPlatform platform;
    addPrinters(platform);
    runWith(platform, picture(3000, 2000), nullptr, [](PrintWindow& w) {
      QCOMPARE(w.layout().printWidth, 4252);
      w.turnButton()->click();
      QCOMPARE(w.layout().turned, 1);
      QCOMPARE(w.layout().printableWidth, 6307);
      QCOMPARE(w.layout().printWidth, 6307);
      QCOMPARE(w.layout().printHeight, 4205);
      // Two drawings of its own: released and pressed.
      const QIcon icon = w.turnButton()->icon();
      const QImage released = icon.pixmap(64, QIcon::Normal, QIcon::Off).toImage();
      const QImage pressed = icon.pixmap(64, QIcon::Normal, QIcon::On).toImage();
      QVERIFY(!released.isNull());
      QVERIFY(!pressed.isNull());
      QVERIFY(released != pressed);
      w.quitButton()->click();
    });
  }

  // Return never prints: not on "Quit", the printer list or the turn toggle, and not a second
  // Return after committing a margin (the first only commits it); Space on "Drucken" prints.
  void returnNeverPrints() {
    ScriptedPlatform platform;
    addPrinters(platform);
    bool stillOpen = false;
    runWith(platform, picture(2000, 1000), nullptr, [&](PrintWindow& w) {
      for (QWidget* control : std::initializer_list<QWidget*>{w.quitButton(), w.printerList(),
                                                              w.turnButton(), w.printButton()}) {
        control->setFocus();
        QTest::keyClick(control, Qt::Key_Return);
        QTest::keyClick(control, Qt::Key_Enter);
      }
      QSpinBox* top = w.marginField(PrintWindow::Top);
      top->setFocus();
      top->selectAll();
      QTest::keyClicks(top, QStringLiteral("30"));
      QTest::keyClick(top, Qt::Key_Return);
      QCOMPARE(top->value(), 30);
      QCOMPARE(w.layout().topPx, millimetresToDevice(30, 4960));
      QVERIFY(w.printButton()->hasFocus());
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
      stillOpen = w.isVisible() && platform.printedPages().empty();
      QTest::keyClick(w.printButton(), Qt::Key_Space);
    });
    QVERIFY(stillOpen);
    QCOMPARE(platform.printedPages().size(), std::size_t{1});
    QCOMPARE(platform.printedPages()[0].placement.y, millimetresToDevice(30, 4960));
  }

  // A printer chosen in the list is set to portrait and printed on, the user's default printer
  // stays as it was; the choice is handed back and preselected the next time, unless that
  // printer is gone.
  void choosingAPrinterLeavesTheDefaultAndIsRemembered() {
    ScriptedPlatform platform;
    addPrinters(platform);
    platform.printers[1].orientation = PrinterOrientation::Landscape;
    std::string choice;
    runWith(
        platform, picture(3000, 2000), nullptr,
        [&](PrintWindow& w) {
          QCOMPARE(w.printerList()->currentText(), QString("Buero"));
          w.printerList()->setCurrentIndex(1);
          emit w.printerList()->activated(1);
          QCOMPARE(platform.defaultPrinter, std::string("Buero"));
          QCOMPARE(platform.printers[1].orientation, PrinterOrientation::Portrait);
          QCOMPARE(w.layout().pageWidth, 2480);
          QCOMPARE(w.layout().leftPx, 177);
          QVERIFY(w.isEnabled());
          w.printButton()->click();
        },
        {}, &choice);
    QCOMPARE(platform.defaultPrinter, std::string("Buero"));
    QCOMPARE(platform.printedPages().size(), std::size_t{1});
    QCOMPARE(platform.printedPages()[0].printer, std::string("Datei"));
    QCOMPARE(choice, std::string("Datei"));

    QString shown;
    int pageWidth = 0;
    const auto look = [&shown, &pageWidth](PrintWindow& w) {
      shown = w.printerList()->currentText();
      pageWidth = w.layout().pageWidth;
      w.quitButton()->click();
    };
    runWith(platform, picture(3000, 2000), nullptr, look, {}, &choice);
    QCOMPARE(shown, QString("Datei"));
    QCOMPARE(pageWidth, 2480);
    QCOMPARE(choice, std::string("Datei"));  // kept without a new choice

    platform.printers.pop_back();
    runWith(platform, picture(3000, 2000), nullptr, look, {}, &choice);
    QCOMPARE(shown, QString("Buero"));
    QCOMPARE(pageWidth, 4960);
    QCOMPARE(platform.defaultPrinter, std::string("Buero"));
  }

  void landscapeFoundAtOpening_data() {
    QTest::addColumn<bool>("closeBox");
    QTest::addColumn<PrinterOrientation>("after");
    QTest::newRow("close box restores landscape") << true << PrinterOrientation::Landscape;
    QTest::newRow("Quit leaves portrait") << false << PrinterOrientation::Portrait;
  }

  void landscapeFoundAtOpening() {
    QFETCH(bool, closeBox);
    QFETCH(PrinterOrientation, after);
    ScriptedPlatform platform;
    addPrinters(platform);
    platform.printers[0].orientation = PrinterOrientation::Landscape;
    runWith(platform, picture(100, 100), nullptr, [&](PrintWindow& w) {
      QCOMPARE(platform.printers[0].orientation, PrinterOrientation::Portrait);
      QCOMPARE(w.layout().pageWidth, 4960);
      if (closeBox) {
        w.close();
      } else {
        w.quitButton()->click();
      }
    });
    QCOMPARE(platform.printers[0].orientation, after);
  }

  void printsOnItsOwnThreadWithTheLayoutsPlacement() {
    ScriptedPlatform platform;
    addPrinters(platform);
    std::promise<void> inspected;
    std::shared_future<void> released = inspected.get_future().share();
    std::atomic<bool> printing{false};
    platform.whilePrinting = [&] {
      printing = true;
      released.wait_for(std::chrono::seconds(10));
    };
    QString titleWhilePrinting;
    bool enabledWhilePrinting = true;
    QWidget owner;
    owner.show();
    runWith(platform, picture(2000, 1000), &owner, [&](PrintWindow& w) {
      QTimer::singleShot(0, &w, [&] {
        QTRY_VERIFY(printing.load());
        titleWhilePrinting = w.windowTitle();
        enabledWhilePrinting = w.isEnabled();
        inspected.set_value();
      });
      w.printButton()->click();
    });
    QCOMPARE(titleWhilePrinting, QString("Ich drucke..."));
    QVERIFY(!enabledWhilePrinting);
    QVERIFY(owner.isEnabled());
    QVERIFY(openWindow() == nullptr);
    const auto pages = platform.printedPages();
    QCOMPARE(pages.size(), std::size_t{1});
    QCOMPARE(pages[0].jobName, std::string("Korvalis"));
    QCOMPARE(pages[0].printer, std::string("Buero"));
    QCOMPARE(pages[0].imageWidth, 2000);
    QCOMPARE(pages[0].placement.x, 354);
    QCOMPARE(pages[0].placement.y, 354);
    QCOMPARE(pages[0].placement.width, 4252);
    QCOMPARE(pages[0].placement.height, 2126);
    QVERIFY(!pages[0].placement.quarterTurn);
    QVERIFY(!pages[0].placement.landscapeSheet);
    QVERIFY(platform.messages().empty());
  }

  void failedJobsShowTheirMessage_data() {
    QTest::addColumn<PrintOutcome>("outcome");
    QTest::addColumn<QString>("text");
    QTest::newRow("job not started") << PrintOutcome::JobNotStarted << "Drucker nicht bereit?";
    QTest::newRow("drawing not started")
        << PrintOutcome::DrawingNotStarted << "Drucker nicht bereit.";
  }

  void failedJobsShowTheirMessage() {
    QFETCH(PrintOutcome, outcome);
    QFETCH(QString, text);
    ScriptedPlatform platform;
    addPrinters(platform);
    platform.printOutcome = outcome;
    runWith(platform, picture(50, 50), nullptr, [](PrintWindow& w) { w.printButton()->click(); });
    QCOMPARE(platform.messages().size(), std::size_t{1});
    QCOMPARE(platform.messages()[0].title, std::string("Ooops...."));
    QCOMPARE(QString::fromStdString(platform.messages()[0].text), text);
    QVERIFY(openWindow() == nullptr);
  }

  void pdfPrinterAsksToTurnTheSheet_data() {
    QTest::addColumn<QString>("printerName");
    QTest::addColumn<bool>("turned");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("landscapeSheet");
    QTest::newRow("PDF, turned, Yes") << "Datei" << true << int(MessageAnswer::Yes) << true << true;
    QTest::newRow("PDF, turned, No") << "Datei" << true << int(MessageAnswer::No) << true << false;
    QTest::newRow("PDF, not turned")
        << "Datei" << false << int(MessageAnswer::Yes) << false << false;
    QTest::newRow("other printer, turned")
        << "Buero" << true << int(MessageAnswer::Yes) << false << false;
  }

  void pdfPrinterAsksToTurnTheSheet() {
    QFETCH(QString, printerName);
    QFETCH(bool, turned);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, landscapeSheet);
    ScriptedPlatform platform;
    addPrinters(platform);
    platform.defaultPrinter = printerName.toStdString();
    platform.queueMessageAnswer(static_cast<MessageAnswer>(answer));
    runWith(platform, picture(3000, 2000), nullptr, [&](PrintWindow& w) {
      if (turned) {
        w.turnButton()->click();
      }
      w.printButton()->click();
    });
    QCOMPARE(platform.messages().size(), std::size_t{asked ? 1U : 0U});
    if (asked) {
      QCOMPARE(platform.messages()[0].title, std::string("PDF-Datei erstellen..."));
      QCOMPARE(platform.messages()[0].text, std::string("Ausgabe drehen (Landscape)?"));
      QCOMPARE(platform.messages()[0].buttons, MessageButtons::YesNo);
    }
    const auto pages = platform.printedPages();
    QCOMPARE(pages.size(), std::size_t{1});
    QCOMPARE(pages[0].placement.landscapeSheet, landscapeSheet);
    // Yes turns the sheet instead of the image; the image keeps the size fitted sideways.
    QCOMPARE(pages[0].placement.quarterTurn, turned && !landscapeSheet);
    if (landscapeSheet) {
      QCOMPARE(platform.printers[1].orientation, PrinterOrientation::Landscape);
      QCOMPARE(pages[0].placement.width, 3153);  // the fit into the sideways printable area
    }
  }

  void f1OpensTheHelp() {
    ScriptedPlatform platform;
    addPrinters(platform);
    int helpCalls = 0;
    runWith(
        platform, picture(10, 10), nullptr,
        [](PrintWindow& w) {
          QTest::keyClick(&w, Qt::Key_F1);
          w.quitButton()->click();
        },
        [&] { ++helpCalls; });
    QCOMPARE(helpCalls, 1);
  }
};

QTEST_MAIN(PrintWindowTest)
#include "print_window_test.moc"
