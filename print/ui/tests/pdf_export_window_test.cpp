// The window "PDF-Datei erstellen" as a user works it; its files are read back by qpdf and
// poppler.
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "platform/file_io.h"
#include "platform/scripted/scripted_platform.h"
#include "print/ui/pdf_export_window.h"
#include "viewer/image_codec.h"
#include "viewer/ui/testing/settings_window_answer.h"
#include "viewer/ui/testing/test_pages.h"

using namespace korvalis;
using korvalis::testing::gradientPage;
using korvalis::testing::SettingsAnswer;

namespace {

QString run(const QString& program, const QStringList& args) {
  QProcess process;
  process.start(program, args);
  process.waitForFinished(60000);
  return QString::fromUtf8(process.readAllStandardOutput()) +
         QString::fromUtf8(process.readAllStandardError());
}

/// The line of `pdfinfo` output that starts with `key`.
QString pdfinfoLine(const QString& pdf, const QString& key) {
  for (const QString& line : run("pdfinfo", {pdf}).split('\n')) {
    if (line.startsWith(key)) {
      return line.mid(key.size()).trimmed();
    }
  }
  return {};
}

/// The images `pdfimages -j` extracts, as files (JPEG images come out unchanged).
std::vector<std::vector<std::uint8_t>> extractedImages(const QString& pdf, const QString& dir) {
  run("pdfimages", {"-j", pdf, dir + "/img"});
  std::vector<std::vector<std::uint8_t>> images;
  for (const QString& name : QDir(dir).entryList({"img-*"}, QDir::Files, QDir::Name)) {
    images.push_back(
        readWholeFileBytes((dir + "/" + name).toStdString()).value_or(std::vector<std::uint8_t>{}));
  }
  return images;
}

struct Harness {
  QTemporaryDir dir;
  ScriptedPlatform platform;
  int helpCalls = 0;
  PdfExportWindow window{platform, nullptr, [this] { ++helpCalls; }};
  Image page = gradientPage(1000, 2000);
  std::vector<std::uint8_t> downloaded = *encodeJpeg(page, 6);

  QString path(const char* name) const { return dir.filePath(name); }
  PageSource fresh() const {
    return PageSource{makePageBytes(downloaded), makeSharedImage(page), makeSharedImage(page),
                      false};
  }
  void setMargin(PdfExportWindow::Margin margin, int value) {
    window.marginField(margin)->setValue(value);
  }
  QStringList fieldTexts() const {
    QStringList texts;
    for (auto m : {PdfExportWindow::Top, PdfExportWindow::Left, PdfExportWindow::Right,
                   PdfExportWindow::Bottom}) {
      texts << QString::number(window.marginField(m)->value());
    }
    return texts;
  }
  QStringList label() const {
    const auto lines = window.sizeLabelLines();
    return {lines[0], lines[1], lines[2], lines[3]};
  }
};

}  // namespace

class PdfExportWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void opensWithItsTextsSizesAndDefaultLayout();
  void marginLimitsOrientationAndFit();
  void originalSizeRestoresTheTypedMargins();
  void keptBytesAreEmbeddedUnchanged();
  void encodedImageAsksTheQualityAndCancelWritesNothing();
  void failureIsToldAndNoImageClosesAtOnce();
  void keysAndCloseBox();
};

void PdfExportWindowTest::opensWithItsTextsSizesAndDefaultLayout() {
  Harness h;
  QVERIFY(h.window.open(h.path("a.pdf").toStdString(), h.fresh()));
  QVERIFY(h.window.isVisible());
  QCOMPARE(h.window.windowTitle(), QString("PDF-Datei erstellen"));
  QCOMPARE(h.window.size(), QSize(320, 490));
  QCOMPARE(h.window.createButton()->text(), QString("PDF-Datei erstellen"));
  QCOMPARE(h.window.createButton()->geometry(), QRect(10, 456, 300, 24));
  QCOMPARE(h.window.orientationButton()->pos(), QPoint(250, 319));
  QCOMPARE(h.window.originalSizeButton()->geometry().bottom() + 1, 444);
  QCOMPARE(h.fieldTexts(), (QStringList{"10", "10", "10", "10"}));
  // Default margins: placed at (9, 9) mm; the preview fits it into 192 x 279 mm.
  QCOMPARE(h.window.layout().left, 9);
  QCOMPARE(h.window.layout().top, 9);
  QCOMPARE(h.window.layout().fitHeight, 279);
  QCOMPARE(h.window.sheetCanvas()->size(), QSize(212, 299));
  QCOMPARE(h.label(), (QStringList{"Bild:", "138 mm", "x", "277 mm"}));
  QCOMPARE(h.window.sizeLabelCanvas()->size(), QSize(60, 64));
  // Red margin lines over the white sheet; the label has a red frame.
  const QImage sheet = h.window.sheetCanvas()->grab().toImage();
  QCOMPARE(sheet.pixelColor(9, 2), QColor(Qt::red));
  QCOMPARE(sheet.pixelColor(200, 2), QColor(Qt::red));
  QCOMPARE(sheet.pixelColor(100, 287), QColor(Qt::red));
  QCOMPARE(sheet.pixelColor(3, 3), QColor(Qt::white));
  QCOMPARE(h.window.sizeLabelCanvas()->grab().toImage().pixelColor(0, 30), QColor(Qt::red));
  // The label font is narrow: "ARIALN" or the closest condensed face.
  const QFontInfo font(h.window.labelFont());
  QVERIFY2(font.family() == "ARIALN" || h.window.labelFont().stretch() < 100 ||
               font.family().contains("Narrow") || font.family().contains("Condensed"),
           qPrintable(font.family()));
  QCOMPARE(h.window.labelFont().pointSize(), 9);
}

void PdfExportWindowTest::marginLimitsOrientationAndFit() {
  Harness h;
  QVERIFY(h.window.open(h.path("a.pdf").toStdString(), h.fresh()));
  h.setMargin(PdfExportWindow::Bottom, 200);
  QCOMPARE(h.window.marginField(PdfExportWindow::Top)->maximum(), 95);
  h.setMargin(PdfExportWindow::Top, 150);
  QCOMPARE(h.window.marginField(PdfExportWindow::Top)->value(), 95);
  h.setMargin(PdfExportWindow::Left, 300);
  QCOMPARE(h.window.marginField(PdfExportWindow::Left)->value(), 198);  // 210 - 10 - 2

  Harness wide;
  wide.page = gradientPage(3000, 1000);
  wide.downloaded = *encodeJpeg(wide.page, 6);
  QVERIFY(wide.window.open(wide.path("w.pdf").toStdString(), wide.fresh()));
  QCOMPARE(wide.window.layout().fitWidth, 192);  // limited by the width
  wide.window.orientationButton()->click();
  QCOMPARE(wide.window.layout().sheetWidth, 297);
  QCOMPARE(wide.window.sheetCanvas()->size(), QSize(299, 212));
  QCOMPARE(wide.label(), (QStringList{"Bild:", "277 mm", "x", "91 mm"}));
}

void PdfExportWindowTest::originalSizeRestoresTheTypedMargins() {
  Harness h;
  h.page = gradientPage(2000, 3000);
  h.downloaded = *encodeJpeg(h.page, 5);
  QVERIFY(h.window.open(h.path("o.pdf").toStdString(), h.fresh()));
  h.window.orientationButton()->click();
  h.setMargin(PdfExportWindow::Top, 15);
  h.setMargin(PdfExportWindow::Left, 20);
  h.setMargin(PdfExportWindow::Right, 25);
  h.setMargin(PdfExportWindow::Bottom, 30);
  h.window.originalSizeButton()->click();
  QCOMPARE(h.fieldTexts(), (QStringList{"0", "0", "0", "0"}));
  QVERIFY(!h.window.orientationButton()->isChecked());
  QVERIFY(!h.window.orientationButton()->isEnabled());
  QCOMPARE(h.label(), (QStringList{"Bild:", "706 mm", "x", "1058 mm"}));
  QCOMPARE(h.window.sheetCanvas()->size(),
           QSize(h.window.layout().fitWidth, h.window.layout().fitHeight));
  h.window.originalSizeButton()->click();
  QCOMPARE(h.fieldTexts(), (QStringList{"15", "20", "25", "30"}));
  QVERIFY(h.window.orientationButton()->isEnabled());

  h.window.originalSizeButton()->click();
  QSignalSpy closed(&h.window, &PdfExportWindow::closed);
  h.window.createButton()->click();
  QCOMPARE(closed.count(), 1);
  QCOMPARE(pdfinfoLine(h.path("o.pdf"), "Page size:"), QString("2000 x 3000 pts"));
}

void PdfExportWindowTest::keptBytesAreEmbeddedUnchanged() {
  Harness h;
  SettingsAnswer unexpected;
  QVERIFY(h.window.open(h.path("kept.pdf").toStdString(), h.fresh()));
  QCOMPARE(h.window.exportPdf(), PdfExportWindow::ExportOutcome::Written);
  QVERIFY(!unexpected.seen);
  const QString pdf = h.path("kept.pdf");
  QVERIFY(run("qpdf", {"--check", pdf}).contains("No syntax or stream encoding errors"));
  QCOMPARE(pdfinfoLine(pdf, "Pages:"), QString("1"));
  QVERIFY(pdfinfoLine(pdf, "Page size:").startsWith("595.28 x 841.89"));
  QCOMPARE(pdfinfoLine(pdf, "Creator:"), QString("Korvalis"));
  const QStringList list = run("pdfimages", {"-list", pdf}).split('\n', Qt::SkipEmptyParts);
  QCOMPARE(list.size(), 3);  // two header lines, one image
  const QStringList columns = list[2].simplified().split(' ');
  QCOMPARE(columns.mid(3, 3), (QStringList{"1000", "2000", "rgb"}));
  QCOMPARE(columns[8], QString("jpeg"));
  QTemporaryDir out;
  const auto images = extractedImages(pdf, out.path());
  QCOMPARE(images.size(), std::size_t{1});
  QVERIFY(images[0] == h.downloaded);

  // Landscape turns the sheet.
  QVERIFY(h.window.open(h.path("quer.pdf").toStdString(), h.fresh()));
  h.window.orientationButton()->click();
  QCOMPARE(h.window.exportPdf(), PdfExportWindow::ExportOutcome::Written);
  QVERIFY(pdfinfoLine(h.path("quer.pdf"), "Page size:").startsWith("841.89 x 595.28"));
}

void PdfExportWindowTest::encodedImageAsksTheQualityAndCancelWritesNothing() {
  Harness h;
  const PageSource fromFile{nullptr, makeSharedImage(h.page), makeSharedImage(h.page), false};
  QVERIFY(h.window.open(h.path("kopie.pdf").toStdString(), fromFile));
  {
    SettingsAnswer cancel{-1};
    h.window.createButton()->click();
    QVERIFY(cancel.seen);
    QCOMPARE(cancel.preselected, 1);
    QVERIFY(h.window.isVisible());  // "Abbruch" leaves the window open and writes nothing
    QVERIFY(!std::filesystem::exists(h.path("kopie.pdf").toStdString()));
  }
  SettingsAnswer best{3};
  h.window.createButton()->click();
  QVERIFY(!h.window.isVisible());
  QTemporaryDir out;
  const auto images = extractedImages(h.path("kopie.pdf"), out.path());
  QCOMPARE(images.size(), std::size_t{1});
  QVERIFY(images[0] == *encodeJpeg(h.page, 7));

  // A cut-out of a downloaded page is encoded; the window opens on the best quality.
  Image cut = gradientPage(300, 100);
  const PageSource crop{makePageBytes(h.downloaded), makeSharedImage(h.page), makeSharedImage(cut),
                        true};
  QVERIFY(h.window.open(h.path("cut.pdf").toStdString(), crop));
  QCOMPARE(h.window.layout().imageWidth, 300);
  SettingsAnswer preset{3};
  QCOMPARE(h.window.exportPdf(), PdfExportWindow::ExportOutcome::Written);
  QCOMPARE(preset.preselected, 3);
  QVERIFY(run("pdfimages", {"-list", h.path("cut.pdf")}).contains("300   100"));
}

void PdfExportWindowTest::failureIsToldAndNoImageClosesAtOnce() {
  Harness h;
  std::ofstream(h.path("datei").toStdString()) << "kein Ordner";
  const std::string target = h.path("datei").toStdString() + "/x.pdf";
  QVERIFY(h.window.open(target, h.fresh()));
  QCOMPARE(h.window.exportPdf(), PdfExportWindow::ExportOutcome::Failed);
  QCOMPARE(h.platform.messages().size(), std::size_t{1});
  QCOMPARE(h.platform.messages()[0].title, std::string("Fehler!"));
  QCOMPARE(h.platform.messages()[0].text, "Konnte \"" + target + "\" nicht speichern!");
  h.window.close();

  const PageSource nothing{nullptr, nullptr, nullptr, false};
  QVERIFY(!h.window.open(h.path("leer.pdf").toStdString(), nothing));
  QVERIFY(!h.window.isVisible());
  QVERIFY(!std::filesystem::exists(h.path("leer.pdf").toStdString()));
}

void PdfExportWindowTest::keysAndCloseBox() {
  Harness h;
  QVERIFY(h.window.open(h.path("k.pdf").toStdString(), h.fresh()));
  h.window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&h.window));
  QTest::keyClick(&h.window, Qt::Key_F1);
  QCOMPARE(h.helpCalls, 1);
  QSignalSpy closed(&h.window, &PdfExportWindow::closed);
  h.window.close();
  QCOMPARE(closed.count(), 1);
  QVERIFY(!std::filesystem::exists(h.path("k.pdf").toStdString()));
}

QTEST_MAIN(PdfExportWindowTest)
#include "pdf_export_window_test.moc"
