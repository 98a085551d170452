#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "platform/qt/qt_event_target.h"
#include "platform/qt/qt_file_filter.h"
#include "platform/qt/qt_image.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_translations.h"

using namespace korvalis;

namespace {

/// Runs `action` on the next modal widget that opens (once the event loop turns).
template <typename Action>
void whenModalOpens(Action action) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, action] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      action(modal);
    }
  });
  timer->start();
}

}  // namespace

class PlatformQtTest : public QObject {
  Q_OBJECT

 private slots:
  // Without a program for the file, openDocument says so (the help then shows its pages
  // itself); the in-program help window shows a page and follows its links by the keys.
  void helpPagesWithoutADesktopHandler() {
    QtPlatform platform;
    const QString index = QStringLiteral(KORVALIS_WEBHELP_DIR "/Index.htm");
    // A desktop whose xdg-mime names no program for HTML, one that names one, one without
    // xdg-open.
    const QByteArray path = qgetenv("PATH");
    const std::string page = pathFromQString(index);
    QTemporaryDir bin;
    const auto tool = [&bin](const char* name, const QByteArray& body) {
      QFile script(bin.filePath(QString::fromLatin1(name)));
      QVERIFY(script.open(QIODevice::WriteOnly));
      script.write("#!/bin/sh\n" + body + "\n");
      script.close();
      script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    };
    qputenv("PATH", bin.path().toUtf8());
    tool("xdg-open", "exit 0");
    tool("xdg-mime", "exit 0");
    const bool withoutProgram = hasDocumentHandler(page);
    tool("xdg-mime", "echo browser.desktop");
    const bool withProgram = hasDocumentHandler(page);
    QFile::remove(bin.filePath(QStringLiteral("xdg-open")));
    const bool withoutXdgOpen = hasDocumentHandler(page);
    qputenv("PATH", path);
    QVERIFY(!withoutProgram);
    QVERIFY(withProgram);
    QVERIFY(!withoutXdgOpen);

    platform.showHelpPages(pathFromQString(index));
    QTextBrowser* help = platform.helpPagesWindow();
    QVERIFY(help != nullptr && help->isVisible());
    QCOMPARE(help->source(), QUrl::fromLocalFile(index));
    QVERIFY(help->toPlainText().contains(QStringLiteral("Überblick")));
    help->activateWindow();
    help->setFocus();
    QTest::keyClick(help, Qt::Key_Tab);  // the first link
    QTest::keyClick(help, Qt::Key_Return);
    QCOMPARE(help->source().fileName(), QStringLiteral("Ueberblick.htm"));
    QVERIFY(help->windowTitle().startsWith(QStringLiteral("Hilfe")));
    help->backward();
    QCOMPARE(help->source(), QUrl::fromLocalFile(index));
  }

  void textConversions() {
    // Bytes 0x80-0x9F are not Latin-1: 0x80 is the euro sign, 0x8A S with caron.
    const std::string bytes =
        "Gr\xFC\xDF"
        "e \x80 \x8A \xC4";
    const QString text = toQString(bytes);
    QCOMPARE(text, QString::fromUtf8("Grüße € Š Ä"));
    QCOMPARE(fromQString(text), bytes);
    // Characters outside Windows-1252 cannot be stored.
    QCOMPARE(fromQString(QString::fromUtf8("a\u4E2Db")), std::string("a?b"));
    // A single CR is a line break in message texts; CR LF gives one break, not two.
    QCOMPARE(toDisplayText("Zeile 1\rZeile 2\r\nZeile 3"),
             QStringLiteral("Zeile 1\nZeile 2\nZeile 3"));
    QCOMPARE(pathFromQString(pathToQString("/tmp/\xC3\xA4.krv")), std::string("/tmp/\xC3\xA4.krv"));
  }

  void fileFilters_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("record file") << QStringLiteral("Datendatei | *.krv")
                                 << QStringList{QStringLiteral("Datendatei (*.krv)")};
    QTest::newRow("four image types") << QStringLiteral(
                                             "KRV-Dokument (BMP)|*.bmp|KRV-Dokument (JPG)|*.jpg|"
                                             "KRV-Dokument (PNG)|*.png|KRV-Dokument (PDF)|*.pdf")
                                      << QStringList{QStringLiteral("KRV-Dokument (BMP) (*.bmp)"),
                                                     QStringLiteral("KRV-Dokument (JPG) (*.jpg)"),
                                                     QStringLiteral("KRV-Dokument (PNG) (*.png)"),
                                                     QStringLiteral("KRV-Dokument (PDF) (*.pdf)")};
    QTest::newRow("trailing bar, several patterns")
        << QStringLiteral("Bilder|*.jpg;*.jpeg|Alle|*.*|")
        << QStringList{QStringLiteral("Bilder (*.jpg *.jpeg)"), QStringLiteral("Alle (*.*)")};
    QTest::newRow("label without pattern")
        << QStringLiteral("Alles") << QStringList{QStringLiteral("Alles (*)")};
  }
  void fileFilters() {
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(toQtNameFilters(fromQString(filter)), expected);
  }

  void imagesAndClipboardAtFullPageSize() {
    const int width = 6000;
    const int height = 4000;
    Image page(width, height);
    QVERIFY(!page.isNull());
    for (int y = 0; y < height; ++y) {
      std::uint32_t* row = page.row(y);
      for (int x = 0; x < width; ++x) {
        row[x] = makePixel(x & 0xFF, y & 0xFF, (x ^ y) & 0xFF);
      }
    }
    // Wrapping shares the pixels; Qt sees the same colours.
    const QImage wrapped = wrapImage(page);
    QCOMPARE(wrapped.constBits(), reinterpret_cast<const uchar*>(page.row(0)));
    QCOMPARE(wrapped.format(), QImage::Format_RGB32);
    QCOMPARE(QColor(wrapped.pixel(300, 7)), QColor(300 & 0xFF, 7, (300 ^ 7) & 0xFF));

    QtPlatform platform;
    platform.setClipboardImage(page);
    const Image back = platform.clipboardImage();
    QCOMPARE(back.width(), width);
    QCOMPARE(back.height(), height);
    QVERIFY(back == page);

    // Other formats are converted; the fourth byte is cleared.
    QImage grey(3, 2, QImage::Format_Grayscale8);
    grey.fill(0x40);
    const Image fromGrey = fromQImage(grey);
    QCOMPARE(fromGrey.pixel(2, 1), makePixel(0x40, 0x40, 0x40));
    QVERIFY(fromQImage(QImage()).isNull());
    QVERIFY(toQImage(Image()).isNull());

    // Text replaces the image; no image reads back as a null image.
    platform.setClipboardText(
        "Gr\xFC\xDF"
        "e");
    QCOMPARE(platform.clipboardText(), std::string("Gr\xFC\xDF"
                                                   "e"));
    QVERIFY(platform.clipboardImage().isNull());
  }

  void askTextHonoursFlagsPositionAndCancel() {
    QtPlatform platform;
    QString seenTitle;
    Qt::Alignment seenAlignment;
    QPoint seenPosition;
    whenModalOpens([&](QWidget* modal) {
      auto* dialog = qobject_cast<QInputDialog*>(modal);
      QVERIFY(dialog);
      seenTitle = dialog->windowTitle();
      seenAlignment = dialog->findChild<QLineEdit*>()->alignment();
      seenPosition = dialog->pos();
      dialog->setTextValue(QString::fromUtf8("Müller"));
      static_cast<QDialog*>(dialog)->accept();
    });
    QCOMPARE(platform.askText("Datendatei durchsuchen", "Gesuchter Begriff:", "", 1, 120, 80),
             std::string("M\xFCller"));
    QCOMPARE(seenTitle, QStringLiteral("Datendatei durchsuchen"));
    QVERIFY(seenAlignment & Qt::AlignHCenter);
    QCOMPARE(seenPosition, QPoint(120, 80));

    // Without bit 0 the text is not centred; cancelling returns "" even with a default text.
    whenModalOpens([&](QWidget* modal) {
      auto* dialog = qobject_cast<QInputDialog*>(modal);
      QVERIFY(dialog);
      seenAlignment = dialog->findChild<QLineEdit*>()->alignment();
      dialog->reject();
    });
    QCOMPARE(platform.askText("T", "P", "vorgegeben", 0, 0, 0), std::string());
    QVERIFY(!(seenAlignment & Qt::AlignHCenter));
  }

  void messageBoxShowsLineBreaksAndAnswers() {
    QtPlatform platform;
    QString seenText;
    QString seenTitle;
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    whenModalOpens([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QVERIFY(box);
      seenText = box->text();
      seenTitle = box->windowTitle();
      seenIcon = box->icon();
      box->button(QMessageBox::No)->click();
    });
    const auto answer = platform.messageBox("Fehler!", "Das sind keine g\xFCltige Daten.\rNochmal?",
                                            MessageSign::Warning, MessageButtons::YesNo);
    QCOMPARE(answer, MessageAnswer::No);
    QCOMPARE(seenText, QString::fromUtf8("Das sind keine gültige Daten.\nNochmal?"));
    QCOMPARE(seenTitle, QStringLiteral("Fehler!"));
    QCOMPARE(seenIcon, QMessageBox::Warning);

    whenModalOpens([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QVERIFY(box);
      box->button(QMessageBox::Yes)->click();
    });
    QCOMPARE(platform.messageBox("F", "t", MessageSign::Question, MessageButtons::YesNo),
             MessageAnswer::Yes);
  }

  void fileDialogsSpeakGermanAndShowTheirColumns() {
    QVERIFY2(installGermanTranslations(*QCoreApplication::instance()),
             "Qt's German translations are missing (package qt6-translations-l10n)");
    QTemporaryDir dir;
    QVERIFY(QFile(dir.filePath(QStringLiteral("Beispiel.krv"))).open(QIODevice::WriteOnly));
    QtPlatform platform;
    QStringList buttons;
    int nameColumn = 0;
    int sizeColumn = 0;
    int typeColumn = 0;
    int roomForDate = 0;
    QSize size;
    whenModalOpens([&](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      QVERIFY(dialog);
      size = dialog->size();
      for (const auto* header : dialog->findChildren<QHeaderView*>()) {
        nameColumn = std::max(nameColumn, header->sectionSize(0));
        if (header->count() >= 4) {
          // Size and type whole ("45,43 KiB", "plain text document"), the date still in view.
          sizeColumn = header->sectionSize(1);
          typeColumn = header->sectionSize(2);
          roomForDate = header->width() - header->sectionPosition(3);
        }
      }
      for (const auto* box : dialog->findChildren<QDialogButtonBox*>()) {
        for (const auto* button : box->buttons()) {
          buttons << button->text().remove(QLatin1Char('&'));
        }
      }
      dialog->reject();
    });
    QVERIFY(!platform.openFileDialog("Datendatei laden", dir.path().toStdString() + "/",
                                     "Datendatei|*.krv"));
    QVERIFY2(buttons.contains(QStringLiteral("Öffnen")), qPrintable(buttons.join(',')));
    QVERIFY2(buttons.contains(QStringLiteral("Abbrechen")), qPrintable(buttons.join(',')));
    QVERIFY(size.width() >= 820 && size.height() >= 500);
    QVERIFY(nameColumn >= 300);
    QVERIFY(sizeColumn >= 80);
    QVERIFY(typeColumn >= 150);
    QVERIFY2(roomForDate >= 140, qPrintable(QString::number(roomForDate)));
  }

  // The save dialog opens on the entry it is asked to preselect.
  void saveDialogPreselectsItsFilter() {
    QTemporaryDir dir;
    QtPlatform platform;
    QString selected;
    whenModalOpens([&](QWidget* modal) {
      if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
        selected = dialog->selectedNameFilter();
      }
      if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
      }
    });
    QVERIFY(!platform.saveFileDialog("Speichern", dir.path().toStdString() + "/",
                                     "BMP|*.bmp|JPG|*.jpg|PNG|*.png", "", 1));
    QCOMPARE(selected, QStringLiteral("JPG (*.jpg)"));
  }

  void systemQueries() {
    QtPlatform platform;
    const DisplayInfo info = platform.displayInfo();
    QVERIFY(info.dpiX >= 1.0);
    QVERIFY(info.dpiY >= 1.0);
    QVERIFY(!info.messageFontFace.empty());
    QVERIFY(info.messageFontHeight < 0);

    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(platform.decimalSeparator(), ',');
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(platform.decimalSeparator(), '.');

    // main() runs the test in the zone "XYZ-3": three hours east of UTC, no daylight time.
    QCOMPARE(platform.timeZoneBiasMinutes(), -180);
  }

  void postedEventsReachTheirWindowFromAnyThread() {
    auto window = std::make_unique<QObject>();
    std::vector<std::pair<int, std::uintptr_t>> received;
    auto target = QtEventTarget::create(window.get(), [&](int code, std::uintptr_t data) {
      QCOMPARE(QThread::currentThread(), QCoreApplication::instance()->thread());
      received.emplace_back(code, data);
    });
    auto other = std::make_unique<QObject>();
    int otherCount = 0;
    auto otherTarget =
        QtEventTarget::create(other.get(), [&](int, std::uintptr_t) { ++otherCount; });

    constexpr int kThreads = 4;
    constexpr int kPerThread = 50;
    {
      std::vector<std::jthread> workers;
      for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([target, t] {
          for (int i = 0; i < kPerThread; ++i) {
            target->postEvent(65536 + t, static_cast<std::uintptr_t>(i));
          }
        });
      }
    }
    QTRY_COMPARE(received.size(), std::size_t{kThreads * kPerThread});
    QCOMPARE(otherCount, 0);
    // Each worker's events arrive in the order it posted them.
    for (int t = 0; t < kThreads; ++t) {
      std::uintptr_t next = 0;
      for (const auto& [code, data] : received) {
        if (code == 65536 + t) {
          QCOMPARE(data, next++);
        }
      }
    }
  }

  void eventsForADestroyedWindowAreDropped() {
    auto window = std::make_unique<QObject>();
    std::atomic<int> delivered{0};
    auto target = QtEventTarget::create(window.get(), [&](int, std::uintptr_t) { ++delivered; });
    std::weak_ptr<EventTarget> weak = target;

    // Queued before the window goes, delivered after: dropped.
    target->postEvent(65536, 1);
    window.reset();
    QCoreApplication::processEvents();
    QCOMPARE(delivered.load(), 0);

    // A worker still holding the target after the window is gone posts safely; the
    // owner may drop its reference while the worker is posting.
    std::atomic<bool> go{false};
    std::jthread worker([weak, &go] {
      while (!go.load()) {
        std::this_thread::yield();
      }
      for (int i = 0; i < 1000; ++i) {
        if (auto locked = weak.lock()) {
          locked->postEvent(65537, static_cast<std::uintptr_t>(i));
        }
      }
    });
    go = true;
    target.reset();
    worker.join();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(delivered.load(), 0);
  }
};

int main(int argc, char** argv) {
  setenv("TZ", "XYZ-3", 1);
  tzset();
  QApplication app(argc, argv);
  PlatformQtTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "platform_qt_test.moc"
