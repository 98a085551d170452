#include "viewer/point_ops.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace korvalis {
namespace {

/// A one-row image of the given pixels.
Image rowOf(std::initializer_list<std::uint32_t> pixels) {
  Image image(static_cast<int>(pixels.size()), 1);
  int x = 0;
  for (const std::uint32_t p : pixels) {
    image.setPixel(x++, 0, p);
  }
  return image;
}

/// 256 x 16 pixels (a multiple of 256) with every channel value and random fourth bytes.
Image mixedPixels() {
  Image image(256, 16);
  std::uint32_t seed = 99;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      seed = seed * 1664525U + 1013904223U;
      // Red runs through every level; green and blue are random, and skewed towards the dark
      // levels so the equalisation map is no identity.
      const auto g = static_cast<int>((seed >> 8 & 0xFF) * (seed >> 16 & 0xFF) / 255);
      image.setPixel(x, y,
                     (seed & 0xFF000000U) | makePixel(x, g, static_cast<int>(seed >> 4 & 0xFF)));
    }
  }
  return image;
}

/// The image repeated across x down times.
Image tiled(const Image& tile, int across, int down) {
  Image image(tile.width() * across, tile.height() * down);
  for (int y = 0; y < image.height(); ++y) {
    const std::uint32_t* from = tile.row(y % tile.height());
    for (int x = 0; x < across; ++x) {
      std::copy(from, from + tile.width(), image.row(y) + x * tile.width());
    }
  }
  return image;
}

TEST(PointOps, PageSizedImagesGiveTheSameResultsAsSmallOnes) {
  // A page-sized image is worked on in bands on all cores, a small one in one go. Every
  // operation is pointwise (equalisation through histograms that grow with the tiling, as the
  // tile's pixel count is a multiple of 256), so the page's result must be the tile's result
  // tiled.
  const Image tile = mixedPixels();
  const Image page = tiled(tile, 8, 128);  // 2048 x 2048, in bands
  struct Case {
    const char* name;
    PointOp op;
    double parameter;
  };
  const std::vector<Case> cases = {
      {"invert", PointOp::Invert, 0},
      {"mono 1", PointOp::Monochrome, 1},
      {"mono 128", PointOp::Monochrome, 128},
      {"mono 255", PointOp::Monochrome, 255},
      {"equalise", PointOp::Equalise, 0},
      {"brightness -100", PointOp::Brightness, -100},
      {"brightness 77", PointOp::Brightness, 77},
      {"contrast -200", PointOp::Contrast, -200},
      {"contrast 150", PointOp::Contrast, 150},
      {"gamma 0.37", PointOp::Gamma, 0.37},
      {"gamma 2.2", PointOp::Gamma, 2.2},
      {"gamma 7.99", PointOp::Gamma, 7.99},
  };
  for (const Case& c : cases) {
    Image small = tile;
    Image large = page;
    ASSERT_TRUE(applyPointOp(small, c.op, c.parameter)) << c.name;
    ASSERT_TRUE(applyPointOp(large, c.op, c.parameter)) << c.name;
    EXPECT_EQ(large, tiled(small, 8, 128)) << c.name;
    if (c.op != PointOp::Invert) {
      EXPECT_EQ(large.pixel(3, 5) >> 24, 0U) << c.name << ": fourth byte kept";
    }
  }
}

TEST(PointOps, InvertTwiceRestoresEveryByte) {
  Image image = rowOf({0x12345678U, 0xFF000000U, makePixel(1, 2, 3)});
  const Image original = image;
  ASSERT_TRUE(invertImage(image));
  EXPECT_EQ(image.pixel(0, 0), 0xEDCBA987U);  // all four bytes inverted
  EXPECT_EQ(image.pixel(2, 0), makePixel(254, 253, 252) | 0xFF000000U);
  ASSERT_TRUE(invertImage(image));
  EXPECT_EQ(image, original);
}

TEST(PointOps, MonochromeAtThreshold128) {
  Image image = rowOf({makePixel(128, 128, 128), makePixel(129, 129, 129), makePixel(0, 0, 129),
                       makePixel(255, 255, 128) | 0xAB000000U});
  ASSERT_TRUE(monochromeImage(image, 128));
  EXPECT_EQ(image.pixel(0, 0), makePixel(0, 0, 0));
  EXPECT_EQ(image.pixel(1, 0), makePixel(255, 255, 255));
  EXPECT_EQ(image.pixel(2, 0), makePixel(255, 255, 255));  // blue decides first
  EXPECT_EQ(image.pixel(3, 0), makePixel(255, 255, 255));  // fourth byte cleared
}

TEST(PointOps, BrightnessLimitsAndRange) {
  Image image = rowOf({makePixel(0, 100, 255), makePixel(7, 8, 9)});
  Image up = image;
  ASSERT_TRUE(brightnessImage(up, 255));
  EXPECT_EQ(up.pixel(0, 0), makePixel(255, 255, 255));
  EXPECT_EQ(up.pixel(1, 0), makePixel(255, 255, 255));
  Image down = image;
  ASSERT_TRUE(brightnessImage(down, -255));
  EXPECT_EQ(down.pixel(0, 0), makePixel(0, 0, 0));
  Image some = image;
  ASSERT_TRUE(brightnessImage(some, 10));
  EXPECT_EQ(some.pixel(0, 0), makePixel(10, 110, 255));
  Image outside = image;
  EXPECT_FALSE(brightnessImage(outside, 256));
  EXPECT_FALSE(brightnessImage(outside, -256));
  EXPECT_EQ(outside, image);
}

TEST(PointOps, ContrastWorkedValues) {
  Image image = rowOf({makePixel(128, 127, 129), makePixel(0, 255, 200)});
  Image strong = image;
  ASSERT_TRUE(contrastImage(strong, 255.0F));
  EXPECT_EQ(strong.pixel(0, 0), makePixel(128, 0, 255));
  EXPECT_EQ(strong.pixel(1, 0), makePixel(0, 255, 255));
  Image neutral = image;
  ASSERT_TRUE(contrastImage(neutral, 0.0F));
  EXPECT_EQ(neutral, image);
  // k = 100: F = 259 * 355 / (255 * 159) = 2.2677...; (200 - 128) * F + 128 = 291 -> 255,
  // (0 - 128) * F + 128 = -162 -> 0, (129 - 128) * F + 128 = 130.27 -> 130.
  Image medium = rowOf({makePixel(129, 0, 200)});
  ASSERT_TRUE(contrastImage(medium, 100.0F));
  EXPECT_EQ(medium.pixel(0, 0), makePixel(130, 0, 255));
  Image outside = image;
  EXPECT_FALSE(contrastImage(outside, 255.5F));
  EXPECT_EQ(outside, image);
}

TEST(PointOps, GammaNeutralAndOutOfRange) {
  Image image = rowOf({makePixel(0, 64, 128), makePixel(200, 255, 1)});
  Image one = image;
  ASSERT_TRUE(gammaImage(one, 1.0));
  EXPECT_EQ(one, image);
  Image eight = image;
  EXPECT_FALSE(gammaImage(eight, 8.0));
  EXPECT_FALSE(gammaImage(eight, 0.0));
  EXPECT_EQ(eight, image);
  // gamma 2 lightens: 255 * sqrt(64 / 255) = 127.75 -> 128, 255 * sqrt(128 / 255) = 180.67.
  Image two = image;
  ASSERT_TRUE(gammaImage(two, 2.0));
  EXPECT_EQ(two.pixel(0, 0), makePixel(0, 128, 181));
  Image half = rowOf({makePixel(128, 0, 255)});
  ASSERT_TRUE(gammaImage(half, 0.5));  // 255 * (128 / 255)^2 = 64.25
  EXPECT_EQ(half.pixel(0, 0), makePixel(64, 0, 255));
}

TEST(PointOps, EqualisationOfOneColourTurnsWhite) {
  Image image = Image::filled(32, 8, makePixel(40, 90, 200));  // 256 pixels
  ASSERT_TRUE(equaliseImage(image));
  EXPECT_EQ(image, Image::filled(32, 8, makePixel(255, 255, 255)));
  Image larger = Image::filled(30, 30, makePixel(3, 3, 3));
  ASSERT_TRUE(equaliseImage(larger));
  EXPECT_EQ(larger.pixel(29, 29), makePixel(255, 255, 255));
}

TEST(PointOps, EqualisationSpreadsTwoLevels) {
  // 256 pixels, half at 10 and half at 20: c[10] = 128 matches u[127], c[20] = 256 matches u[255].
  Image image(16, 16);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      image.setPixel(x, y, y < 8 ? makePixel(10, 10, 10) : makePixel(20, 20, 20));
    }
  }
  ASSERT_TRUE(equaliseImage(image));
  EXPECT_EQ(image.pixel(0, 0), makePixel(127, 127, 127));
  EXPECT_EQ(image.pixel(0, 15), makePixel(255, 255, 255));
}

TEST(PointOps, EqualisationCarriesBestLevelForASinglePixel) {
  // One pixel: every target sum is 1, so no level beats the starting difference for c = 0 and
  // the carried level (0 at the start) is kept; c = 1 matches level 0 at once.
  Image image = rowOf({makePixel(5, 6, 7)});
  ASSERT_TRUE(equaliseImage(image));
  EXPECT_EQ(image.pixel(0, 0), makePixel(0, 0, 0));
}

TEST(PointOps, SliderSettingsAndValueTexts) {
  EXPECT_FALSE(sliderSetting(PointOp::Invert).visible);
  EXPECT_FALSE(sliderSetting(PointOp::Equalise).visible);
  const SliderSetting gamma = sliderSetting(PointOp::Gamma);
  EXPECT_EQ(gamma.minimum, 1);
  EXPECT_EQ(gamma.maximum, 399);
  EXPECT_EQ(gamma.initial, 100);
  EXPECT_EQ(valueFieldText(PointOp::Gamma, 100), "1.00");
  EXPECT_EQ(valueFieldText(PointOp::Gamma, 5), "0.05");
  EXPECT_EQ(valueFieldText(PointOp::Brightness, 1), "-255");
  EXPECT_EQ(valueFieldText(PointOp::Contrast, 511), "255");
  EXPECT_EQ(valueFieldText(PointOp::Monochrome, 128), "128");
  EXPECT_DOUBLE_EQ(parameterForSlider(PointOp::Gamma, 250), 2.5);
  EXPECT_DOUBLE_EQ(parameterForSlider(PointOp::Brightness, 256), 0.0);
  // The initial brightness and contrast leave the preview unchanged.
  Image image = rowOf({makePixel(3, 130, 250)});
  const Image original = image;
  ASSERT_TRUE(
      applyPointOp(image, PointOp::Brightness, parameterForSlider(PointOp::Brightness, 256)));
  ASSERT_TRUE(applyPointOp(image, PointOp::Contrast, parameterForSlider(PointOp::Contrast, 256)));
  EXPECT_EQ(image, original);
  EXPECT_FALSE(applyPointOp(image, PointOp::None, 0.0));
}

TEST(PointOps, PreviewCopyKeepsAspect) {
  const Image page = Image::filled(6000, 4000, makePixel(90, 90, 90));
  const Image preview = previewCopy(page, 400, 400);
  EXPECT_EQ(preview.width(), 400);
  EXPECT_EQ(preview.height(), 267);
  EXPECT_EQ(preview.pixel(200, 100), makePixel(90, 90, 90));
  EXPECT_TRUE(previewCopy(Image(), 400, 400).isNull());
}

TEST(PointOps, NullImageIsRefused) {
  Image null;
  EXPECT_FALSE(invertImage(null));
  EXPECT_FALSE(monochromeImage(null, 1));
  EXPECT_FALSE(equaliseImage(null));
  EXPECT_FALSE(brightnessImage(null, 1));
  EXPECT_FALSE(contrastImage(null, 1));
  EXPECT_FALSE(gammaImage(null, 1));
}

}  // namespace
}  // namespace korvalis
