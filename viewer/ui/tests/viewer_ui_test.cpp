#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <cmath>
#include <fstream>

#include "platform/scripted/fake_main_view.h"
#include "platform/scripted/scripted_platform.h"
#include "viewer/image_codec.h"
#include "viewer/ui/page_canvas.h"
#include "viewer/ui/page_view.h"
#include "viewer/ui/post_process_window.h"
#include "viewer/view_state.h"

using namespace korvalis;

namespace {

struct ViewHarness {
  ViewState state;
  FakeMainView view;
  PageView page{state, view};
  PageView::ToolState tools;
  WindowMetrics metrics{1020, 800, true, 220, 0, 0};  // free area 800 x 800
  bool requestInFlight = false;

  ViewHarness() {
    page.setMetricsSource([this] { return metrics; });
    page.setToolStateSource([this] { return tools; });
    page.setRequestSource([this] { return requestInFlight; });
    page.resize(800, 800);
    page.show();
  }
  QWidget* canvas() const { return page.widget(); }
};

// A gradient so that turned or cut images differ from the original.
Image gradient(int w, int h) {
  Image img(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      img.setPixel(x, y, static_cast<std::uint32_t>((x * 7 + y * 13) & 0xFF) * 0x010101U);
    }
  }
  return img;
}

// A JPEG that carries the archive's page identity in a comment right after the JFIF header.
std::vector<std::uint8_t> jpegWithIdentity() {
  std::vector<std::uint8_t> jpeg = *encodeJpeg(gradient(64, 48), 7);
  const std::string id = "film 1234567  fram  00042";
  std::vector<std::uint8_t> com{0xFF, 0xFE, 0, static_cast<std::uint8_t>(id.size() + 2)};
  com.insert(com.end(), id.begin(), id.end());
  jpeg.insert(jpeg.begin() + 20, com.begin(), com.end());
  return jpeg;
}

std::string writeFile(const QTemporaryDir& dir, const char* name,
                      const std::vector<std::uint8_t>& bytes) {
  const std::string path = dir.filePath(name).toStdString();
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return path;
}

// The page view as the post-processing window sees it: the shown page, its number, the
// edits shown.
struct FakeShownPage {
  SharedImage shown;
  std::uint64_t number = 1;
  int shows = 0;

  explicit FakeShownPage(Image page) : shown(makeSharedImage(std::move(page))) {}
  PostProcessPage target() {
    return {[this] { return shown; }, [this] { return number; },
            [this](SharedImage edited) {
              shown = std::move(edited);
              ++shows;
            }};
  }
  void arrive(Image page) {
    shown = makeSharedImage(std::move(page));
    ++number;
  }
};

}  // namespace

class ViewerUiTest : public QObject {
  Q_OBJECT

 private slots:
  void fitsZoomsAndShowsOriginalSize();
  void pageBytesAreKeptAndBadAnswersChangeNothing();
  void rotationRestoresPixelsAndDrivesProgress();
  void cropSelectionRules();
  void dragScrollsTheView();
  void zoomKeepsTheCentreAndANewPageStartsTopLeft();
  void openDocumentIdentityAndFailure();
  void postProcessingButtons();
  void postProcessingLeavesANewerPageAlone();
};

void ViewerUiTest::fitsZoomsAndShowsOriginalSize() {
  ViewHarness h;
  // Twice as high as the free area, half as wide: the height decides.
  h.page.setPageImage(gradient(400, 1600));
  h.state.pageShown = true;
  h.page.showPageImage();
  QCOMPARE(h.page.displayImage().width(), 196);
  QCOMPARE(h.page.displayImage().height(), 796);
  QCOMPARE(h.canvas()->size(), QSize(196, 796));
  QCOMPARE(h.view.status[1], std::string(" Zoom: 49%"));

  h.state.zoomFactor = 1.5F;
  h.page.showPageImage();
  QCOMPARE(h.page.displayImage().height(), 1196);
  QCOMPARE(h.page.pageImage().height(), 1600);  // zooming never touches the page

  h.tools.originalSize = true;
  h.page.showPageImage();
  QCOMPARE(h.page.displayImage(), h.page.pageImage());
  QCOMPARE(h.view.status[1], std::string(" Zoom: 100%"));

  // Without a page a small blank page stands in.
  ViewHarness empty;
  empty.page.showPageImage();
  QVERIFY(empty.page.hasPageImage());
  QCOMPARE(empty.view.status[1], std::string());
}

void ViewerUiTest::pageBytesAreKeptAndBadAnswersChangeNothing() {
  ViewHarness h;
  const auto jpeg = *encodeJpeg(gradient(120, 90), 7);
  QCOMPARE(h.page.acceptPageBytes(jpeg), PageAnswer::Shown);
  QCOMPARE(h.page.pageImage().width(), 120);
  QVERIFY(h.state.pageBytes);
  QVERIFY(*h.state.pageBytes == jpeg);

  const std::string xml = "<?xml version=\"1.0\"?><error/>";
  const std::vector<std::uint8_t> xmlBytes(xml.begin(), xml.end());
  QCOMPARE(h.page.acceptPageBytes(xmlBytes), PageAnswer::Ignored);
  QCOMPARE(h.page.pageImage().width(), 120);
  QVERIFY(*h.state.pageBytes == jpeg);
}

void ViewerUiTest::rotationRestoresPixelsAndDrivesProgress() {
  ViewHarness h;
  const Image original = gradient(30, 20);
  h.page.setPageImage(original);
  h.requestInFlight = true;  // a download in flight: no rotation
  QVERIFY(!h.page.rotatePage(90));
  h.requestInFlight = false;
  QVERIFY(h.page.rotatePage(90));
  QCOMPARE(h.page.pageImage().width(), 20);
  // Counter-clockwise: the old top-right pixel is the new top-left one.
  QCOMPARE(h.page.pageImage().pixel(0, 0), original.pixel(29, 0));
  QVERIFY(!h.view.progressValues.empty());
  QCOMPARE(h.view.progressValues.front(), 1);
  QCOMPARE(h.view.progressValues.back(), 0);
  QVERIFY(h.page.rotatePage(-90));
  QCOMPARE(h.page.pageImage(), original);
}

void ViewerUiTest::cropSelectionRules() {
  ViewHarness h;
  h.page.setPageImage(gradient(1600, 1600));
  h.state.pageShown = true;
  h.page.showPageImage();  // 796 x 796, scale about 2
  QSignalSpy started(&h.page, &PageView::cropStarted);
  QSignalSpy finished(&h.page, &PageView::cropFinished);
  QWidget* canvas = h.canvas();

  QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(10, 10));
  QTest::mouseMove(canvas, QPoint(13, 110));
  QCOMPARE(static_cast<PageCanvas*>(canvas)->frame(), QRect(QPoint(10, 10), QPoint(13, 110)));
  QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(14, 110));  // 4 pixels wide
  QCOMPARE(started.count(), 1);
  QCOMPARE(finished.takeFirst().at(0).toBool(), false);
  QVERIFY(static_cast<PageCanvas*>(canvas)->frame().isEmpty());
  QCOMPARE(h.page.displayImage().width(), 796);
  QVERIFY(!h.state.viewMode);

  // Dragged from bottom-right to top-left: normalised.
  QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(60, 50));
  QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(10, 10));
  QCOMPARE(finished.takeFirst().at(0).toBool(), true);
  QVERIFY(h.state.viewMode);
  QCOMPARE(h.state.viewImage, ViewImage::Cropped);
  const double scale = 1600.0 / 796.0;
  QCOMPARE(h.page.displayImage().width(), static_cast<int>(std::lround(50 * scale)));
  QCOMPARE(h.page.displayImage().pixel(0, 0),
           h.page.pageImage().pixel(static_cast<int>(std::lround(10 * scale)),
                                    static_cast<int>(std::lround(10 * scale))));
  QCOMPARE(&h.page.viewImage(), &h.page.displayImage());
  QCOMPARE(h.view.status[1], std::string("Zoom: 100%"));

  h.page.endCutOut();
  QVERIFY(!h.state.viewMode);
  QCOMPARE(h.page.displayImage().width(), 796);
  QCOMPARE(&h.page.viewImage(), &h.page.pageImage());
}

void ViewerUiTest::dragScrollsTheView() {
  ViewHarness h;
  h.page.setPageImage(gradient(3000, 3000));
  h.state.pageShown = true;
  h.tools.originalSize = true;
  h.state.viewMode = true;
  h.page.showPageImage();
  QWidget* canvas = h.canvas();
  QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(300, 300));
  QVERIFY(h.state.dragging);
  QTest::mouseMove(canvas, QPoint(260, 280));
  QCOMPARE(h.page.horizontalScrollBar()->value(), 40);
  QCOMPARE(h.page.verticalScrollBar()->value(), 20);
  QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(260, 280));
  QVERIFY(!h.state.dragging);
}

void ViewerUiTest::zoomKeepsTheCentreAndANewPageStartsTopLeft() {
  ViewHarness h;
  h.page.setPageImage(gradient(2000, 2000));
  h.state.pageShown = true;
  h.state.zoomFactor = 1.0F;
  h.page.showPageImage();
  QCOMPARE(h.page.horizontalScrollBar()->maximum(), 0);  // fitted: nothing to scroll
  // A zoom step keeps the page's centre in the centre of the view.
  h.state.zoomFactor = 2.0F;
  h.page.showPageImage();
  const QWidget* viewport = h.page.viewport();
  const auto centreOf = [&](const QScrollBar* bar, int view, int canvas) {
    return (bar->value() + view / 2.0) / canvas;
  };
  QVERIFY(h.page.horizontalScrollBar()->maximum() > 0);
  QVERIFY(std::abs(centreOf(h.page.horizontalScrollBar(), viewport->width(), h.canvas()->width()) -
                   0.5) < 0.01);
  QVERIFY(std::abs(centreOf(h.page.verticalScrollBar(), viewport->height(), h.canvas()->height()) -
                   0.5) < 0.01);
  // Scrolled to a corner, the next step keeps that part in view.
  h.page.horizontalScrollBar()->setValue(0);
  h.page.verticalScrollBar()->setValue(0);
  const double before =
      centreOf(h.page.horizontalScrollBar(), viewport->width(), h.canvas()->width());
  h.state.zoomFactor = 2.5F;
  h.page.showPageImage();
  QVERIFY(std::abs(centreOf(h.page.horizontalScrollBar(), viewport->width(), h.canvas()->width()) -
                   before) < 0.01);
  // A tall page fitted into the view is seen whole: at its original size the view shows its
  // middle, not its right edge.
  h.page.setPageImage(gradient(2000, 4000));
  h.state.zoomFactor = 1.0F;
  h.page.showPageImage();
  QVERIFY(h.canvas()->width() < viewport->width());
  h.tools.originalSize = true;
  h.page.showPageImage();
  QVERIFY(std::abs(centreOf(h.page.horizontalScrollBar(), viewport->width(), h.canvas()->width()) -
                   0.5) < 0.01);
  QVERIFY(std::abs(centreOf(h.page.verticalScrollBar(), viewport->height(), h.canvas()->height()) -
                   0.5) < 0.01);
  h.tools.originalSize = false;
  // A different page starts at its top-left corner.
  h.page.setPageImage(gradient(2000, 2000));
  h.page.showPageImage();
  QCOMPARE(h.page.horizontalScrollBar()->value(), 0);
  QCOMPARE(h.page.verticalScrollBar()->value(), 0);
}

void ViewerUiTest::openDocumentIdentityAndFailure() {
  const std::string filter = "Bild|*.jpg|*.png";
  QTemporaryDir dir;
  ViewHarness h;
  ScriptedPlatform platform;
  h.state.pageBytes = makePageBytes(std::vector<std::uint8_t>{1, 2});
  QSignalSpy opened(&h.page, &PageView::pageOpened);

  platform.queueOpenFile(writeFile(dir, "seite.jpg", jpegWithIdentity()));
  QVERIFY(h.page.openDocument(platform, filter));
  QCOMPARE(platform.dialogs().back().filter, filter);
  QCOMPARE(h.view.status[0], std::string("  001234567:00042"));
  QCOMPARE(h.view.status[3], std::string("[Original]"));
  QVERIFY(!h.state.pageBytes);
  QVERIFY(h.state.pageShown);
  QCOMPARE(h.view.imageMode, 1);
  QCOMPARE(opened.count(), 1);

  platform.queueOpenFile(writeFile(dir, "kopie.png", *encodePng(gradient(10, 10), 24)));
  QVERIFY(h.page.openDocument(platform, filter));
  QCOMPARE(h.view.status[0], std::string("  Seite geladen."));
  QCOMPARE(h.view.status[3], std::string("Kopie"));
  // The next dialog starts where the last file came from.
  QCOMPARE(QString::fromStdString(platform.dialogs().back().startDir), dir.path());

  platform.queueOpenFile(writeFile(dir, "kaputt.jpg", {0xFF, 0xD8, 0xFF}));
  QVERIFY(!h.page.openDocument(platform, filter));
  QCOMPARE(platform.messages().back().title, std::string("Fehler!"));
  QCOMPARE(platform.messages().back().text, std::string("Konnte \"kaputt.jpg\" nicht laden!"));
  QCOMPARE(h.page.pageImage().width(), 10);  // the shown page stays

  platform.queueOpenFile(std::nullopt);  // cancelled
  QVERIFY(!h.page.openDocument(platform, filter));
}

void ViewerUiTest::postProcessingButtons() {
  FakeShownPage view(gradient(800, 600));
  const Image original = *view.shown;
  int closed = 0;
  PostProcessWindow w(view.target(), [&] { ++closed; });
  w.open();
  QVERIFY(w.isVisible());
  QVERIFY(!w.executeButton()->isVisibleTo(&w));
  QCOMPARE(w.previewImage().width(), 360);  // 800 x 600 fitted into 360 x 300
  QCOMPARE(w.previewImage().height(), 270);

  // The preview is a reduced copy: its pixels are averages, so compare it with itself.
  const std::uint32_t previewBefore = w.previewImage().pixel(0, 0);
  w.functionList()->setCurrentIndex(1);  // invert
  QVERIFY(w.isPending());
  QVERIFY(w.executeButton()->isVisibleTo(&w));
  QVERIFY(!w.slider()->isVisibleTo(&w));
  const std::uint32_t previewAfter = w.previewImage().pixel(0, 0);
  QCOMPARE(pixelRed(previewAfter), 255 - pixelRed(previewBefore));
  QCOMPARE(pixelGreen(previewAfter), 255 - pixelGreen(previewBefore));
  QCOMPARE(pixelBlue(previewAfter), 255 - pixelBlue(previewBefore));
  w.executeButton()->click();
  QVERIFY(!w.isPending());
  QCOMPARE(view.shown->pixel(5, 5), ~original.pixel(5, 5));
  w.executeButton()->click();  // twice: back to the start
  QCOMPARE(*view.shown, original);

  w.functionList()->setCurrentIndex(4);  // brightness, neutral at the start
  QVERIFY(w.slider()->isVisibleTo(&w));
  QCOMPARE(w.valueField()->text(), QStringLiteral("0"));
  w.slider()->setValue(511);
  QCOMPARE(w.valueField()->text(), QStringLiteral("255"));
  QCOMPARE(w.previewImage().pixel(3, 3) & 0xFFFFFFU, 0xFFFFFFU);
  QCOMPARE(*view.shown, original);  // the preview only
  w.discardButton()->click();
  QCOMPARE(w.slider()->value(), 256);
  QVERIFY(!w.isPending());

  // Accept with a pending choice applies it once to the page as it was at opening.
  w.slider()->setValue(1);  // -255
  w.functionList()->setCurrentIndex(4);
  w.slider()->setValue(1);
  w.acceptButton()->click();
  QVERIFY(!w.isVisible());
  QCOMPARE(closed, 1);
  QCOMPARE(view.shown->pixel(7, 9) & 0xFFFFFFU, 0U);

  // Discard-and-return gives back the page as it was at opening.
  const Image before = *view.shown;
  w.open();
  w.functionList()->setCurrentIndex(1);
  w.executeButton()->click();
  QVERIFY(!(*view.shown == before));
  w.cancelButton()->click();
  QCOMPARE(*view.shown, before);
  QCOMPARE(closed, 2);
  QVERIFY(view.shows > 0);

  // Gamma takes the typed value; 8 is out of range and leaves the page as it is.
  w.open();
  w.functionList()->setCurrentIndex(6);
  QCOMPARE(w.valueField()->text(), QStringLiteral("1.00"));
  w.valueField()->setText(QStringLiteral("8"));
  w.executeButton()->click();
  QCOMPARE(*view.shown, before);
  w.close();  // closing the window discards and gives the main window back
  QCOMPARE(closed, 3);

  // "Ausführen", then the slider moved on: accepting keeps what was executed.
  w.open();
  w.functionList()->setCurrentIndex(4);
  w.slider()->setValue(256 + 40);
  w.executeButton()->click();
  const Image executed = *view.shown;
  QVERIFY(!(executed == before));
  w.slider()->setValue(256 + 100);
  w.acceptButton()->click();
  QCOMPARE(*view.shown, executed);
  QCOMPARE(closed, 4);
}

// A page that arrives while the window is open (its request was started before) is never
// replaced by the window: neither "Ausführen" nor going back touches it, and the window keeps
// working on the page it opened with.
void ViewerUiTest::postProcessingLeavesANewerPageAlone() {
  FakeShownPage view(gradient(400, 300));
  int closed = 0;
  PostProcessWindow w(view.target(), [&] { ++closed; });
  w.open();
  w.functionList()->setCurrentIndex(1);  // invert
  w.executeButton()->click();
  QCOMPARE(view.shown->pixel(3, 3), ~gradient(400, 300).pixel(3, 3));

  const Image newer = gradient(200, 100);
  view.arrive(newer);
  const int shows = view.shows;
  w.executeButton()->click();
  QCOMPARE(*view.shown, newer);
  w.discardButton()->click();  // back to the page at opening: not over the newer page
  QCOMPARE(*view.shown, newer);
  w.functionList()->setCurrentIndex(1);
  w.acceptButton()->click();
  QCOMPARE(*view.shown, newer);
  QCOMPARE(view.shows, shows);
  QCOMPARE(closed, 1);

  // Opened again, it works on the newer page.
  w.open();
  w.functionList()->setCurrentIndex(1);
  w.cancelButton()->click();
  QCOMPARE(*view.shown, newer);
  w.open();
  w.functionList()->setCurrentIndex(1);
  w.acceptButton()->click();
  QCOMPARE(view.shown->pixel(3, 3), ~newer.pixel(3, 3));
}

QTEST_MAIN(ViewerUiTest)
#include "viewer_ui_test.moc"
