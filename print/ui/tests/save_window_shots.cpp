// Writes PNG pictures of the PDF export window and the encoder-settings windows, for looking
// at them under a real display (e.g. xvfb-run, with QT_SCALE_FACTOR for other scales).
#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <cstdio>

#include "platform/scripted/scripted_platform.h"
#include "print/ui/pdf_export_window.h"
#include "viewer/image_codec.h"
#include "viewer/ui/encoder_settings_window.h"

using namespace korvalis;

namespace {

/// A page-like picture: light paper with dark lines of "writing".
Image samplePage(int w, int h) {
  Image img(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const bool ink = (y % 60) > 40 && (y % 60) < 46 && ((x / 13 + y / 60) % 5) != 0 &&
                       x > w / 10 && x < w * 9 / 10;
      img.setPixel(x, y, ink ? makePixel(40, 35, 30) : makePixel(236, 226, 200));
    }
  }
  return img;
}

bool shoot(QWidget& widget, const QString& path) {
  widget.show();
  QTest::qWait(50);
  const bool ok = widget.grab().save(path);
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: save_window_shots OUT_DIR\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  ScriptedPlatform platform;
  const Image page = samplePage(1600, 2300);
  const std::vector<std::uint8_t> jpeg = *encodeJpeg(page, 5);
  const PageSource source{makePageBytes(jpeg), makeSharedImage(page), makeSharedImage(page), false};
  PdfExportWindow window(platform, nullptr, [] {});
  std::printf("label font: %s\n", qPrintable(QFontInfo(window.labelFont()).family()));
  bool ok = window.open(out.filePath("x.pdf").toStdString(), source);
  ok = ok && shoot(window, out.filePath("pdf_export_portrait.png"));
  window.orientationButton()->click();
  ok = ok && shoot(window, out.filePath("pdf_export_landscape.png"));
  window.originalSizeButton()->click();
  ok = ok && shoot(window, out.filePath("pdf_export_original.png"));
  window.close();
  EncoderSettingsWindow colours(SaveType::Png, false);
  ok = ok && shoot(colours, out.filePath("settings_colours.png"));
  EncoderSettingsWindow quality(SaveType::Jpeg, true);
  ok = ok && shoot(quality, out.filePath("settings_quality.png"));
  return ok ? 0 : 1;
}
