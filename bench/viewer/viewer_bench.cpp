// Times the viewer core on one large page for bench/viewer/run.sh:
//   viewer_bench page OUT.jpg WIDTH HEIGHT      writes a scanned-looking test page
//   viewer_bench display IN.jpg FREE_W FREE_H   received bytes -> fitted display copy, as the page
//                                               view does it: decode into the page image, keep
//                                               the bytes, then the display copy for the free
//                                               area (painting it is not included); each
//                                               timed run replaces a shown page
//   viewer_bench show IN.jpg FREE_W FREE_H      the same once (for peak memory)
//   viewer_bench op NAME [VALUE] IN.jpg         one point operation or rotation on the page
// Times are the best of seven (display) or three (op) runs, printed as "seconds" on standard
// output.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "viewer/image_codec.h"
#include "viewer/page_geometry.h"
#include "viewer/point_ops.h"
#include "viewer/rotate.h"
#include "viewer/scale.h"

namespace {

using korvalis::Image;

std::vector<std::uint8_t> readBytes(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double bestOf(int runs, const std::function<void()>& work) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

/// Paper-coloured background with noise, dark "handwriting" strokes and ruled lines.
Image makePage(int width, int height) {
  Image page(width, height);
  std::uint32_t seed = 12345;
  for (int y = 0; y < height; ++y) {
    std::uint32_t* row = page.row(y);
    for (int x = 0; x < width; ++x) {
      seed = seed * 1664525U + 1013904223U;
      const int noise = static_cast<int>(seed >> 28) - 8;
      const bool ink = ((x / 3 + y / 40) % 97 < 2) || (y % 120 < 2);
      const int base = ink ? 40 : 205 - (x + y) * 30 / (width + height);
      const auto c = [&](int v) { return std::clamp(v + noise, 0, 255); };
      row[x] = korvalis::makePixel(c(base + 12), c(base + 6), c(base - 10));
    }
  }
  return page;
}

/// What the page view holds once a received page is shown.
struct ShownPage {
  Image page;
  Image display;
  std::vector<std::uint8_t> pageBytes;
};

/// The page view's steps for a received page, in its order: decode the bytes, the result
/// replaces the page image (freeing the previous page) and a copy of the bytes is kept
/// (acceptPageBytes); then the fitted display copy replaces the shown one (showPageImage).
/// Returns the seconds up to the end of the first part.
double showReceivedPage(ShownPage& shown, const std::vector<std::uint8_t>& bytes,
                        korvalis::PixelSize free) {
  const auto start = std::chrono::steady_clock::now();
  korvalis::DecodeResult received = korvalis::decodeImage(bytes);
  if (!received.ok()) {
    shown = {};
    return 0.0;
  }
  shown.page = std::move(received.image);
  shown.pageBytes.assign(bytes.begin(), bytes.end());
  const double decodeSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const korvalis::PixelSize target =
      korvalis::displaySize({shown.page.width(), shown.page.height()}, free,
                            korvalis::DisplayState{1.0F, false, false, true});
  shown.display = korvalis::scaleImage(shown.page, target.width, target.height);
  return decodeSeconds;
}

/// `replacing`: a page is shown before the timed runs, so that each of them replaces one, as
/// in the program; otherwise one page is shown into an empty view.
int runDisplay(const char* path, int freeWidth, int freeHeight, int runs, bool replacing) {
  const std::vector<std::uint8_t> bytes = readBytes(path);
  ShownPage shown;
  if (replacing) {
    showReceivedPage(shown, bytes, {freeWidth, freeHeight});
  }
  double bestDecode = 1e30;
  const double seconds = bestOf(runs, [&] {
    bestDecode = std::min(bestDecode, showReceivedPage(shown, bytes, {freeWidth, freeHeight}));
  });
  if (shown.display.isNull()) {
    std::fprintf(stderr, "viewer_bench: %s cannot be decoded\n", path);
    return 1;
  }
  std::printf("%.4f\n", seconds);
  std::fprintf(stderr, "page %d x %d, display %d x %d; decode and keep the bytes %.4f s\n",
               shown.page.width(), shown.page.height(), shown.display.width(),
               shown.display.height(), bestDecode);
  return 0;
}

int runOp(const std::string& name, double value, const char* path) {
  Image page = korvalis::decodeImage(readBytes(path)).image;
  if (page.isNull()) {
    std::fprintf(stderr, "viewer_bench: %s cannot be decoded\n", path);
    return 1;
  }
  const std::pair<const char*, korvalis::PointOp> ops[] = {
      {"invert", korvalis::PointOp::Invert},     {"mono", korvalis::PointOp::Monochrome},
      {"equalise", korvalis::PointOp::Equalise}, {"brightness", korvalis::PointOp::Brightness},
      {"contrast", korvalis::PointOp::Contrast}, {"gamma", korvalis::PointOp::Gamma}};
  std::function<void()> work;
  if (name == "rotate") {
    work = [&] { (void)korvalis::rotateImage(page, static_cast<int>(value)); };
  }
  for (const auto& [opName, op] : ops) {
    if (name == opName) {
      work = [&, op = op] {
        // In place, as the window applies it to the page image (the cost does not depend on
        // the pixel values).
        korvalis::applyPointOp(page, op, value);
      };
    }
  }
  if (!work) {
    std::fprintf(stderr, "viewer_bench: unknown operation %s\n", name.c_str());
    return 2;
  }
  std::printf("%.4f\n", bestOf(3, work));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "page" && argc == 5) {
    const auto bytes = korvalis::encodeJpeg(makePage(std::atoi(argv[3]), std::atoi(argv[4])), 9);
    std::ofstream(argv[2], std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes->data()),
               static_cast<std::streamsize>(bytes->size()));
    return 0;
  }
  if (mode == "display" && argc == 5) {
    return runDisplay(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), 7, /*replacing=*/true);
  }
  if (mode == "show" && argc == 5) {  // one run, for the peak memory of a shown page
    return runDisplay(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), 1, /*replacing=*/false);
  }
  if (mode == "op" && (argc == 4 || argc == 5)) {
    return runOp(argv[2], argc == 5 ? std::atof(argv[3]) : 0.0, argv[argc - 1]);
  }
  std::fprintf(stderr,
               "usage: viewer_bench page OUT.jpg W H | display|show IN.jpg FREE_W FREE_H | "
               "op NAME [VALUE] IN.jpg\n");
  return 2;
}
