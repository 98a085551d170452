// Draws the assembled main window into PNG files, to look at its layout on a real X display
// (Xvfb) and at different display scales:
//   main_window_shots OUT_DIR
// KORVALIS_ARCHIVE_URL and KORVALIS_CA_FILE name a running test archive server. The record
// file dialog is answered with the sample record file; every other dialog is the real one.
// Writes start.png (About page), page.png (a page from the archive), zoom.png, crop.png,
// rotated.png, no_tree.png and post.png (the post-processing window).
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <cstdio>
#include <optional>

#include "app/app_state.h"
#include "app/app_state_init.h"
#include "app/ui/main_toolbar.h"
#include "app/ui/main_window.h"
#include "app/ui/navigation_panel.h"
#include "app/ui/program.h"
#include "platform/qt/qt_platform.h"
#include "viewer/ui/page_view.h"
#include "viewer/ui/post_process_window.h"

using namespace korvalis;

namespace {

// The desktop platform, except that the first open-file dialog picks the given file.
class PickingPlatform : public QtPlatform {
 public:
  explicit PickingPlatform(std::string first) : first_(std::move(first)) {}
  std::optional<std::string> openFileDialog(std::string_view title, std::string_view startDir,
                                            std::string_view filter) override {
    if (first_) {
      return std::exchange(first_, std::nullopt);
    }
    return QtPlatform::openFileDialog(title, startDir, filter);
  }

 private:
  std::optional<std::string> first_;
};

// What the X server shows of `window`'s frame, or the whole screen without one.
bool shoot(const QString& dir, const QString& name, const QWidget* window = nullptr) {
  QApplication::processEvents();
  QTest::qWait(200);  // let the X server draw what the window painted
  const QRect area = window != nullptr ? window->frameGeometry() : QRect(0, 0, -1, -1);
  const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(),
                                                                    area.width(), area.height());
  const bool saved = shot.save(QDir(dir).filePath(name + ".png"));
  std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(name));
  return saved;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: main_window_shots OUT_DIR\n");
    return 2;
  }
  QApplication app(argc, argv);
  const QString out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(out);

  AppState state;
  initialiseAppState(state);
  PickingPlatform platform(std::string(KORVALIS_TEST_SOURCE_DIR) + "/data/Beispiel.krv");
  Program program(state, platform);
  MainWindow& window = program.mainWindow();
  platform.setDialogParent(&window);
  if (!program.start() || state.session.records.list.empty()) {
    std::fprintf(stderr, "the sample record file did not load\n");
    return 1;
  }
  window.activateWindow();
  if (!QTest::qWaitForWindowActive(&window)) {
    return 1;
  }
  bool ok = shoot(out, QStringLiteral("start"), &window);

  NavigationPanel* panel = &program.navigationPanel();
  MainToolBar* toolBar = &program.toolBar();
  PageView* view = &program.pageView();
  panel->showButton()->click();
  if (!QTest::qWaitFor([&] { return window.statusText(0) == " Fertig."; }, 20000)) {
    std::fprintf(stderr, "no page arrived: %s\n", window.statusText(0).c_str());
    return 1;
  }
  ok = shoot(out, QStringLiteral("page"), &window) && ok;

  toolBar->action(nav::ToolButton::Zoom)->trigger();
  QTest::keyClick(&window, Qt::Key_Plus);
  QTest::keyClick(&window, Qt::Key_Plus);
  ok = shoot(out, QStringLiteral("zoom"), &window) && ok;
  toolBar->action(nav::ToolButton::Zoom)->trigger();

  QWidget* canvas = view->widget();
  QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(40, 40));
  QMouseEvent move(QEvent::MouseMove, QPointF(200, 160), canvas->mapToGlobal(QPointF(200, 160)),
                   Qt::NoButton, Qt::LeftButton, {});
  QApplication::sendEvent(canvas, &move);
  QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(200, 160));
  ok = shoot(out, QStringLiteral("crop"), &window) && ok;
  QTest::keyClick(&window, Qt::Key_Escape);

  toolBar->action(nav::ToolButton::RotateLeft)->trigger();
  ok = shoot(out, QStringLiteral("rotated"), &window) && ok;
  toolBar->action(nav::ToolButton::RotateRight)->trigger();

  toolBar->action(nav::ToolButton::Tree)->trigger();
  ok = shoot(out, QStringLiteral("no_tree"), &window) && ok;
  toolBar->action(nav::ToolButton::Tree)->trigger();
  toolBar->action(nav::ToolButton::Navigate)->trigger();

  toolBar->action(nav::ToolButton::PostProcess)->trigger();
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (auto* post = qobject_cast<PostProcessWindow*>(top)) {
      post->functionList()->setCurrentIndex(5);  // contrast: slider and value field shown
      ok = shoot(out, QStringLiteral("post")) && ok;
      post->close();
    }
  }
  return ok ? 0 : 1;
}
