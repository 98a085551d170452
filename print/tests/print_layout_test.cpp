#include "print/print_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace korvalis;

namespace {

PrintLayout layoutFor(int pageWidth, PrintMargins m, int imageWidth, int imageHeight, bool turned) {
  PrintLayout l;
  l.pageWidth = pageWidth;
  l.pageHeight = pageWidth * 297 / 210;
  l.setMargins(m);
  l.imageWidth = imageWidth;
  l.imageHeight = imageHeight;
  l.turned = turned ? 1 : 0;
  updatePrintLayout(l);
  return l;
}

struct FitCase {
  std::string name;
  int pageWidth;
  PrintMargins margins;
  int imageWidth, imageHeight;
  bool turned;
  // Expected.
  int leftPx, topPx, rightPx, bottomPx;
  int printableWidth, printableHeight;
  int printWidth, printHeight;
};

class PrintFit : public testing::TestWithParam<FitCase> {};

TEST_P(PrintFit, MarginsPrintableAreaAndFit) {
  const FitCase& c = GetParam();
  const PrintLayout l = layoutFor(c.pageWidth, c.margins, c.imageWidth, c.imageHeight, c.turned);
  EXPECT_EQ(l.leftPx, c.leftPx);
  EXPECT_EQ(l.topPx, c.topPx);
  EXPECT_EQ(l.rightPx, c.rightPx);
  EXPECT_EQ(l.bottomPx, c.bottomPx);
  EXPECT_EQ(l.printableWidth, c.printableWidth);
  EXPECT_EQ(l.printableHeight, c.printableHeight);
  EXPECT_EQ(l.printWidth, c.printWidth);
  EXPECT_EQ(l.printHeight, c.printHeight);
}

// 15 mm on a 4,960-pixel page is 354 pixels; 4,960 x 297 / 210 - 708 = 6,306.86 rounds to 6,307.
// Columns: page width, margins, image, turned; then leftPx, topPx, rightPx, bottomPx,
// printable width and height, print width and height.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, PrintFit, testing::Values(
    FitCase{"wide_image_limited_by_width",  4960, {}, 2000, 1000, false, 354, 354, 354, 354, 4252, 6307, 4252, 2126},
    FitCase{"tall_image_limited_by_height", 4960, {}, 1000, 4000, false, 354, 354, 354, 354, 4252, 6307, 1577, 6307},
    FitCase{"landscape_image_unturned",     4960, {}, 3000, 2000, false, 354, 354, 354, 354, 4252, 6307, 4252, 2835},
    FitCase{"turning_swaps_before_fitting", 4960, {}, 3000, 2000, true,  354, 354, 354, 354, 6307, 4252, 6307, 4205},
    FitCase{"each_margin_its_own", 2480, {10, 20, 30, 40}, 600, 400, false, 236, 118, 354, 472, 1890, 2917, 1890, 1260},
    FitCase{"small_image_is_enlarged", 2480, {0, 0, 0, 0}, 21, 10, false, 0, 0, 0, 0, 2480, 3507, 2480, 1181},
    FitCase{"no_image",        4960, {}, 0, 0, false,     354, 354, 354, 354, 4252, 6307, 0, 0},
    FitCase{"no_printer_page", 0, {}, 100, 100, false, 0, 0, 0, 0, 0, 0, 0, 0}),
    [](const testing::TestParamInfo<FitCase>& info) { return info.param.name; });
// clang-format on

constexpr std::uint32_t kRed = makePixel(255, 0, 0);
constexpr std::uint32_t kBlue = makePixel(0, 0, 255);
constexpr std::uint32_t kWhite = makePixel(255, 255, 255);

// Left half red, right half blue.
Image halves(int w, int h) {
  Image img(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      img.setPixel(x, y, x < w / 2 ? kRed : kBlue);
    }
  }
  return img;
}

TEST(PrintPreview, SheetImageAndGreyLines) {
  // 300 dpi A4, margins top 20, left 30, right 25, bottom 40; a 2:1 image fills the width.
  const PrintLayout l = layoutFor(2480, {20, 30, 25, 40}, 800, 400, false);
  const Image preview = renderPrintPreview(l, halves(800, 400));
  ASSERT_EQ(preview.width(), 210);
  ASSERT_EQ(preview.height(), 297);
  const PrintPreviewGeometry g = printPreviewGeometry(l);
  EXPECT_EQ(g.imageX, 30);
  EXPECT_EQ(g.imageY, 20);
  EXPECT_EQ(g.imageWidth, 155);  // 210 - 30 - 25
  EXPECT_EQ(g.imageHeight, 78);  // 77.5 mm of image, rounded from device pixels
  EXPECT_EQ(preview.pixel(5, 5), kWhite);
  for (int y : {0, 150, 296}) {
    EXPECT_EQ(preview.pixel(30, y), kPreviewLineColour) << y;
    EXPECT_EQ(preview.pixel(185, y), kPreviewLineColour) << y;
  }
  for (int x : {0, 100, 209}) {
    EXPECT_EQ(preview.pixel(x, 20), kPreviewLineColour) << x;
    EXPECT_EQ(preview.pixel(x, 257), kPreviewLineColour) << x;
  }
  EXPECT_EQ(preview.pixel(40, 40), kRed);
  EXPECT_EQ(preview.pixel(175, 40), kBlue);
  EXPECT_EQ(preview.pixel(100, 20 + 78 + 2), kWhite);  // below the image
}

TEST(PrintPreview, TurnedImageHasItsRightSideOnTop) {
  // Turned a quarter counter-clockwise: the old right (blue) half becomes the top half.
  const PrintLayout l = layoutFor(2480, {}, 800, 400, true);
  const PrintPreviewGeometry g = printPreviewGeometry(l);
  EXPECT_LT(g.imageWidth, g.imageHeight);
  const Image preview = renderPrintPreview(l, halves(800, 400));
  EXPECT_EQ(preview.pixel(g.imageX + g.imageWidth / 2, g.imageY + 5), kBlue);
  EXPECT_EQ(preview.pixel(g.imageX + g.imageWidth / 2, g.imageY + g.imageHeight - 5), kRed);
}

TEST(PrintPreview, ExtremeLayoutsStayInsideTheSheet) {
  // Margins of 0 put two lines on the sheet's far edges (outside); a 1-pixel-high image
  // shrinks to nothing; none of this may write outside the sheet.
  const std::vector<PrintLayout> layouts = {layoutFor(2480, {0, 0, 0, 0}, 5000, 1, false),
                                            layoutFor(2480, {140, 100, 100, 140}, 3, 7, true),
                                            layoutFor(0, {}, 30, 30, false)};
  for (const PrintLayout& l : layouts) {
    const Image preview = renderPrintPreview(l, halves(std::max(l.imageWidth, 1), 1));
    EXPECT_EQ(preview.width(), 210);
    EXPECT_EQ(preview.height(), 297);
  }
}

TEST(PrintPreview, SourceIsReducedOnceKeepingProportions) {
  const Image big = Image::filled(6000, 4000, kRed);
  const Image source = printPreviewSource(big);
  EXPECT_EQ(source.width(), 420);
  EXPECT_EQ(source.height(), 280);
  const Image small = Image::filled(100, 50, kBlue);
  EXPECT_EQ(printPreviewSource(small), small);
}

TEST(PrintPlacementOfLayout, CarriesCornerSizeAndTurn) {
  const PrintLayout l = layoutFor(4960, {}, 3000, 2000, true);
  const PrintPlacement p = printPlacement(l);
  EXPECT_EQ(p.x, 354);
  EXPECT_EQ(p.y, 354);
  EXPECT_EQ(p.width, 6307);
  EXPECT_EQ(p.height, 4205);
  EXPECT_TRUE(p.quarterTurn);
  EXPECT_FALSE(p.landscapeSheet);
  PrintLayout landscape = l;
  std::swap(landscape.pageWidth, landscape.pageHeight);
  EXPECT_TRUE(printPlacement(landscape).landscapeSheet);
}

}  // namespace
