// "Seite speichern" as a user runs it: the save dialog answered by the scripted platform, the
// real settings window answered by clicking it.
#include <sys/resource.h>

#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "platform/file_io.h"
#include "platform/scripted/scripted_platform.h"
#include "viewer/image_codec.h"
#include "viewer/rotate.h"
#include "viewer/ui/encoder_settings_window.h"
#include "viewer/ui/page_saver.h"
#include "viewer/ui/testing/settings_window_answer.h"
#include "viewer/ui/testing/test_pages.h"

using namespace korvalis;
using korvalis::testing::gradientPage;
using korvalis::testing::SettingsAnswer;

namespace {

std::vector<std::uint8_t> fileBytes(const std::string& path) {
  return readWholeFileBytes(path).value_or(std::vector<std::uint8_t>{});
}

/// True when the file decodes to the colours of `expected` (the fourth byte is not compared).
bool fileShows(const std::string& path, const Image& expected) {
  const Image image = decodeImageFile(path).image;
  if (image.width() != expected.width() || image.height() != expected.height()) {
    return false;
  }
  return std::equal(image.pixels().begin(), image.pixels().end(), expected.pixels().begin(),
                    [](std::uint32_t a, std::uint32_t b) { return ((a ^ b) & 0xFFFFFFU) == 0; });
}

Image noise(int w, int h) {
  Image img(w, h);
  std::uint32_t state = 12345;
  for (std::uint32_t& p : img.pixels()) {
    state = state * 1664525U + 1013904223U;
    p = state >> 8;
  }
  return img;
}

struct Harness {
  QTemporaryDir dir;
  ScriptedPlatform platform;
  std::vector<std::string> status;
  std::vector<std::string> pdfTargets;
  PageSaver saver{
      platform, nullptr, [this](std::string_view t) { status.emplace_back(t); },
      [this](const std::string& path, const PageSource&) { pdfTargets.push_back(path); }};
  std::string lastDirectory;
  Image page = gradientPage(120, 90);
  std::vector<std::uint8_t> downloaded = *encodeJpeg(page, 6);

  std::string path(const char* name) const { return dir.filePath(name).toStdString(); }
  PageSource fresh() const {
    return PageSource{makePageBytes(downloaded), makeSharedImage(page), makeSharedImage(page),
                      false};
  }
  PageSource fromFile() const {
    return PageSource{nullptr, makeSharedImage(page), makeSharedImage(page), false};
  }
  PageSaveResult save(const PageSource& source, const std::string& name, int filter) {
    platform.queueSaveFile(SaveDialogAnswer{name, filter});
    return saver.saveDisplayedPage(source, lastDirectory);
  }
};

}  // namespace

class PageSaverTest : public QObject {
  Q_OBJECT

 private slots:
  void downloadedPageAsJpegIsWrittenByteForByte();
  void turnedPageKeepsBytesForJpegAndEncodesPng();
  void pageFromFileAsksTheQualityAndReencodes();
  void cropViewWritesTheCutOutAtFullResolution();
  void forcedExtensions();
  void cancelledAndUnsupportedChoicesWriteNothing();
  void failedSaveShowsTheMessageAndKeepsTheOldFile();
  void colourDepthWindowTextsAndReducedFile();
};

void PageSaverTest::downloadedPageAsJpegIsWrittenByteForByte() {
  Harness h;
  h.lastDirectory = "/start/here/";
  SettingsAnswer answer;
  QCOMPARE(h.save(h.fresh(), h.path("seite.jpg"), 1), PageSaveResult::Saved);
  QVERIFY(fileBytes(h.path("seite.jpg")) == h.downloaded);
  QCoreApplication::processEvents();
  QVERIFY(!answer.seen);
  QCOMPARE(h.platform.dialogs().size(), std::size_t{1});
  const auto& dialog = h.platform.dialogs()[0];
  QCOMPARE(dialog.kind, std::string("save"));
  QCOMPARE(dialog.title, std::string("Angezeigte Seite speichern..."));
  QCOMPARE(dialog.startDir, std::string("/start/here/"));
  QCOMPARE(dialog.filter, std::string("KRV-Dokument (BMP)|*.bmp|KRV-Dokument (JPG)|*.jpg|"
                                      "KRV-Dokument (PNG)|*.png|KRV-Dokument (PDF)|*.pdf"));
  QCOMPARE(dialog.preselectedFilter, 1);  // JPG
  QCOMPARE(h.lastDirectory, h.dir.path().toStdString() + "/");
  QVERIFY(h.platform.messages().empty());
}

void PageSaverTest::turnedPageKeepsBytesForJpegAndEncodesPng() {
  Harness h;
  h.page = rotateImage(h.page, -90);  // "Rechtsdrehung 90°"
  QCOMPARE(h.save(h.fresh(), h.path("turned.jpg"), 1), PageSaveResult::Saved);
  QVERIFY(fileBytes(h.path("turned.jpg")) == h.downloaded);

  SettingsAnswer answer{3};  // "True Color"
  QCOMPARE(h.save(h.fresh(), h.path("turned.png"), 2), PageSaveResult::Saved);
  QVERIFY(answer.seen);
  QCOMPARE(h.page.width(), 90);
  QVERIFY(fileShows(h.path("turned.png"), h.page));
}

void PageSaverTest::pageFromFileAsksTheQualityAndReencodes() {
  Harness h;
  SettingsAnswer answer{2};  // "besser / groß": quality 5
  QCOMPARE(h.save(h.fromFile(), h.path("kopie.jpg"), 1), PageSaveResult::Saved);
  QVERIFY(answer.seen);
  QCOMPARE(answer.title, QString::fromUtf8("  Bildqualität / Dateigröße"));
  QCOMPARE(answer.options,
           (QStringList{"mittel / klein", "gut / mittel", QString::fromUtf8("besser / groß"),
                        QString::fromUtf8("beste / sehr groß")}));
  QCOMPARE(answer.preselected, 1);
  QVERIFY(answer.survivedClose);
  QVERIFY(fileBytes(h.path("kopie.jpg")) == *encodeJpeg(h.page, 5));
}

void PageSaverTest::cropViewWritesTheCutOutAtFullResolution() {
  Harness h;
  Image cut(40, 30);
  for (int y = 0; y < 30; ++y) {
    std::copy(h.page.row(20 + y) + 50, h.page.row(20 + y) + 90, cut.row(y));
  }
  const PageSource crop{makePageBytes(h.downloaded), makeSharedImage(h.page), makeSharedImage(cut),
                        true};
  SettingsAnswer answer{3};
  QCOMPARE(h.save(crop, h.path("ausschnitt.png"), 2), PageSaveResult::Saved);
  QVERIFY(fileShows(h.path("ausschnitt.png"), cut));
  // As JPEG the kept bytes still skip the window, but the cut-out is what gets encoded.
  QCOMPARE(h.save(crop, h.path("ausschnitt.jpg"), 1), PageSaveResult::Saved);
  QVERIFY(fileBytes(h.path("ausschnitt.jpg")) == *encodeJpeg(cut, 7));
}

void PageSaverTest::forcedExtensions() {
  struct Case {
    const char* typed;
    int filter;
    const char* written;
  };
  const Case cases[] = {
      {"Seite.PNG", 2, "Seite.PNG"},       {"Seite", 2, "Seite.png"},
      {"Seite.jpeg", 1, "Seite.jpeg.jpg"}, {"Seite.Jpg", 1, "Seite.Jpg"},
      {"Seite.png", 0, "Seite.png.bmp"},   {"neu.d/Seite", 1, "neu.d/Seite.jpg"},
  };
  for (const Case& c : cases) {
    Harness h;
    QDir(h.dir.path()).mkdir("neu.d");
    SettingsAnswer answer{3};
    QCOMPARE(h.save(h.fresh(), h.path(c.typed), c.filter), PageSaveResult::Saved);
    QVERIFY2(std::filesystem::exists(h.path(c.written)), c.written);
  }
  // PDF names are forced too and handed to the export window without writing anything.
  Harness h;
  QCOMPARE(h.save(h.fresh(), h.path("Seite"), 3), PageSaveResult::HandedToPdfExport);
  QCOMPARE(h.pdfTargets, std::vector<std::string>{h.path("Seite.pdf")});
  QVERIFY(!std::filesystem::exists(h.path("Seite.pdf")));
}

void PageSaverTest::cancelledAndUnsupportedChoicesWriteNothing() {
  Harness h;
  h.lastDirectory = "/before/";
  QCOMPARE(h.saver.saveDisplayedPage(h.fresh(), h.lastDirectory), PageSaveResult::Cancelled);
  QCOMPARE(h.save(h.fresh(), "", 1), PageSaveResult::Cancelled);

  SettingsAnswer cancel{-1};
  QCOMPARE(h.save(h.fresh(), h.path("abbruch.png"), 2), PageSaveResult::Cancelled);
  QVERIFY(cancel.seen);
  QVERIFY(!std::filesystem::exists(h.path("abbruch.png")));
  QCOMPARE(h.lastDirectory, std::string("/before/"));

  QCOMPARE(h.save(h.fresh(), h.path("x.tif"), 4), PageSaveResult::Unsupported);
  QCOMPARE(h.status, std::vector<std::string>{"Dateityp nicht unterst\xFCtzt!"});
  QCOMPARE(QDir(h.dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
}

void PageSaverTest::failedSaveShowsTheMessageAndKeepsTheOldFile() {
  Harness h;
  h.lastDirectory = "/vorher/";
  // A folder that is a file: the temporary file cannot be made.
  std::ofstream(h.path("ordner")) << "kein Ordner";
  const std::string target = h.path("ordner") + "/seite.jpg";
  QCOMPARE(h.save(h.fresh(), target, 1), PageSaveResult::Failed);
  QCOMPARE(h.status, std::vector<std::string>{"Fehler!"});
  QCOMPARE(h.platform.messages().size(), std::size_t{1});
  const auto& shown = h.platform.messages()[0];
  QCOMPARE(shown.title, std::string("Fehler!"));
  QCOMPARE(shown.text, "Konnte \"" + target + "\" nicht speichern!");
  QCOMPARE(shown.sign, MessageSign::Warning);

  // A write that fails part-way (the file-size limit is hit even as root): the old file of that
  // name keeps its content and no temporary file is left behind.
  const std::string old = h.path("alt.png");
  std::ofstream(old) << "alter Inhalt";
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &small);
  SettingsAnswer answer{3};
  const Image big = noise(400, 300);
  const PageSource source{nullptr, makeSharedImage(big), makeSharedImage(big), false};
  const PageSaveResult result = h.save(source, old, 2);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);
  QCOMPARE(result, PageSaveResult::Failed);
  QCOMPARE(readWholeFile(old).value_or(""), std::string("alter Inhalt"));
  QCOMPARE(h.platform.messages().back().text, "Konnte \"" + old + "\" nicht speichern!");
  QCOMPARE(QDir(h.dir.path()).entryList(QDir::Files | QDir::Hidden),
           (QStringList{"alt.png", "ordner"}));

  // No failed save becomes the folder the next dialog starts in (one into /proc would leave the
  // dialog reading /proc/kmsg); a successful one does.
  QCOMPARE(h.lastDirectory, std::string("/vorher/"));
  QCOMPARE(h.save(h.fresh(), "/proc/seite.jpg", 1), PageSaveResult::Failed);
  QCOMPARE(h.lastDirectory, std::string("/vorher/"));
  QCOMPARE(h.save(h.fresh(), h.path("gut.jpg"), 1), PageSaveResult::Saved);
  QCOMPARE(h.platform.dialogs().back().startDir, std::string("/vorher/"));
  QCOMPARE(h.lastDirectory, h.dir.path().toStdString() + "/");
}

void PageSaverTest::colourDepthWindowTextsAndReducedFile() {
  Harness h;
  SettingsAnswer answer{1};  // " 16 Farben"
  QCOMPARE(h.save(h.fresh(), h.path("farben.bmp"), 0), PageSaveResult::Saved);
  QCOMPARE(answer.title, QString("   Maximale Anzahl Farben"));
  QCOMPARE(answer.options, (QStringList{"  2 Farben", " 16 Farben", "256 Farben", "True Color"}));
  QCOMPARE(answer.preselected, 1);
  const std::vector<std::uint8_t> bmp = fileBytes(h.path("farben.bmp"));
  QVERIFY(bmp.size() > 54);
  QCOMPARE(int(bmp[28]), 4);  // bits per pixel
  // With kept bytes, a JPEG quality window opens on "beste / sehr groß".
  EncoderSettingsWindow window(SaveType::Jpeg, /*keptBytes=*/true);
  QVERIFY(window.option(3)->isChecked());
  QCOMPARE(window.size(), QSize(156, 200));
}

QTEST_MAIN(PageSaverTest)
#include "page_saver_test.moc"
