#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "viewer/rotate.h"
#include "viewer/scale.h"

namespace korvalis {
namespace {

/// Every pixel distinct, fourth byte included, so any misplaced pixel shows.
Image numbered(int width, int height) {
  Image image(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      image.setPixel(x, y, static_cast<std::uint32_t>(y * width + x) * 2654435761U);
    }
  }
  return image;
}

TEST(Rotate, QuarterTurnsFollowTheCornerMapping) {
  const Image image = numbered(3, 2);
  const Image left = rotateImage(image, 90);
  ASSERT_EQ(left.width(), 2);
  ASSERT_EQ(left.height(), 3);
  // Counter-clockwise: the old top-right corner becomes the top-left one.
  EXPECT_EQ(left.pixel(0, 0), image.pixel(2, 0));
  EXPECT_EQ(left.pixel(1, 2), image.pixel(0, 1));
  const Image right = rotateImage(image, -90);
  EXPECT_EQ(right.pixel(0, 0), image.pixel(0, 1));  // old bottom-left becomes top-left
  EXPECT_EQ(right.pixel(1, 2), image.pixel(2, 0));
  const Image half = rotateImage(image, 180);
  EXPECT_EQ(half.pixel(0, 0), image.pixel(2, 1));
  EXPECT_EQ(rotateImage(image, -270), left);
  EXPECT_EQ(rotateImage(image, 270), right);
  EXPECT_EQ(rotateImage(image, -180), half);
  EXPECT_EQ(rotateImage(image, 360), image);
  EXPECT_TRUE(rotateImage(image, 45).isNull());
  EXPECT_TRUE(rotateImage(Image(), 90).isNull());
}

TEST(Rotate, LeftThenRightRestoresThePixels) {
  // Sizes that are no multiple of the tile size.
  const Image image = numbered(131, 67);
  EXPECT_EQ(rotateImage(rotateImage(image, 90), -90), image);
  EXPECT_EQ(rotateImage(rotateImage(image, 180), 180), image);
  EXPECT_EQ(rotateImage(rotateImage(rotateImage(rotateImage(image, 90), 90), 90), 90), image);
}

TEST(Rotate, EveryPixelFollowsTheCoordinateRule) {
  // Sizes across the tile edges, and one large enough for the huge-page allocation.
  for (const auto& [w, h] : std::vector<std::pair<int, int>>{{131, 67}, {1, 200}, {1700, 1400}}) {
    const Image image = numbered(w, h);
    const Image left = rotateImage(image, 90);
    const Image right = rotateImage(image, -90);
    const Image half = rotateImage(image, 180);
    ASSERT_EQ(left.width(), h);
    ASSERT_EQ(right.height(), w);
    ASSERT_EQ(half.width(), w);
    for (int y = 0; y < w; ++y) {
      for (int x = 0; x < h; ++x) {
        ASSERT_EQ(left.pixel(x, y), image.pixel(w - 1 - y, x)) << w << " x " << h;
        ASSERT_EQ(right.pixel(x, y), image.pixel(y, h - 1 - x)) << w << " x " << h;
      }
    }
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        ASSERT_EQ(half.pixel(x, y), image.pixel(w - 1 - x, h - 1 - y)) << w << " x " << h;
      }
    }
  }
}

TEST(Rotate, ProgressStartsAtOneRisesAndEndsAtZero) {
  std::vector<int> seen;
  const Image result = rotateImage(numbered(300, 200), 90, [&](int p) { seen.push_back(p); });
  ASSERT_FALSE(result.isNull());
  ASSERT_GE(seen.size(), 3U);
  EXPECT_EQ(seen.front(), 1);
  EXPECT_EQ(seen.back(), 0);
  EXPECT_EQ(seen[seen.size() - 2], 100);
  for (std::size_t i = 1; i + 1 < seen.size(); ++i) {
    EXPECT_GT(seen[i], seen[i - 1]);
  }
}

TEST(Scale, AreaAverageOfBlocks) {
  // 4 x 2 image of two 2 x 2 blocks, one black and white checkered, one uniform.
  Image image(4, 2);
  image.setPixel(0, 0, makePixel(0, 0, 0));
  image.setPixel(1, 0, makePixel(255, 255, 255));
  image.setPixel(0, 1, makePixel(255, 255, 255));
  image.setPixel(1, 1, makePixel(0, 0, 0));
  for (int y = 0; y < 2; ++y) {
    image.setPixel(2, y, makePixel(10, 20, 30));
    image.setPixel(3, y, makePixel(10, 20, 30));
  }
  const Image half = scaleImage(image, 2, 1);
  ASSERT_EQ(half.width(), 2);
  EXPECT_EQ(half.pixel(0, 0), makePixel(128, 128, 128));
  EXPECT_EQ(half.pixel(1, 0), makePixel(10, 20, 30));
}

/// The covered part of each source sample for output sample i, as (first sample, weights).
std::pair<int, std::vector<double>> exactWeights(int srcLen, int dstLen, int i) {
  const double a = static_cast<double>(i) * srcLen / dstLen;
  const double b = static_cast<double>(i + 1) * srcLen / dstLen;
  const int first = static_cast<int>(a);
  std::vector<double> w;
  for (int s = first; s < srcLen && s < b; ++s) {
    w.push_back((std::min<double>(b, s + 1) - std::max<double>(a, s)) * dstLen / srcLen);
  }
  return {first, w};
}

/// Exact area average of one channel in double precision: each output pixel is the mean of
/// the source area it covers, partly covered pixels counted by their covered part.
std::vector<double> exactAreaAverage(const Image& image, int width, int height, int shift) {
  std::vector<double> rows(static_cast<std::size_t>(width) * image.height());
  for (int x = 0; x < width; ++x) {
    const auto [first, w] = exactWeights(image.width(), width, x);
    for (int y = 0; y < image.height(); ++y) {
      double sum = 0;
      for (std::size_t k = 0; k < w.size(); ++k) {
        sum += w[k] * ((image.pixel(first + static_cast<int>(k), y) >> shift) & 0xFF);
      }
      rows[static_cast<std::size_t>(y) * width + x] = sum;
    }
  }
  std::vector<double> out(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const auto [first, w] = exactWeights(image.height(), height, y);
    for (int x = 0; x < width; ++x) {
      double sum = 0;
      for (std::size_t k = 0; k < w.size(); ++k) {
        sum += w[k] * rows[(first + k) * static_cast<std::size_t>(width) + x];
      }
      out[static_cast<std::size_t>(y) * width + x] = sum;
    }
  }
  return out;
}

TEST(Scale, ShrinkingStaysWithinOneLevelOfTheExactAreaAverage) {
  // Noise is the hardest case for fixed-point weights. The cases cover small factors, a
  // factor of several hundred, a single pixel, and a source large enough to be scaled in
  // bands on several cores.
  struct Case {
    int srcW, srcH, dstW, dstH;
  };
  for (const Case& c : std::vector<Case>{{997, 601, 100, 61},
                                         {997, 601, 450, 600},
                                         {3000, 40, 7, 3},
                                         {300, 200, 1, 1},
                                         {2100, 1000, 473, 225}}) {
    Image image(c.srcW, c.srcH);
    std::uint32_t seed = 7;
    for (std::uint32_t& p : image.pixels()) {
      seed = seed * 1664525U + 1013904223U;
      p = seed;
    }
    const Image scaled = scaleImage(image, c.dstW, c.dstH);
    ASSERT_EQ(scaled.width(), c.dstW);
    ASSERT_EQ(scaled.height(), c.dstH);
    for (const int shift : {0, 8, 16}) {
      const std::vector<double> exact = exactAreaAverage(image, c.dstW, c.dstH, shift);
      double worst = 0;
      for (std::size_t i = 0; i < exact.size(); ++i) {
        worst = std::max(worst, std::abs(((scaled.pixels()[i] >> shift) & 0xFF) - exact[i]));
      }
      EXPECT_LE(worst, 1.0) << c.srcW << " x " << c.srcH << " -> " << c.dstW << " x " << c.dstH;
    }
    EXPECT_EQ(scaled.pixel(0, 0) >> 24, 0U);
  }
}

TEST(Scale, UniformColourSurvivesAnySize) {
  const Image image = Image::filled(1001, 777, makePixel(200, 100, 50));
  for (const auto& [w, h] :
       std::vector<std::pair<int, int>>{{333, 259}, {1, 1}, {1500, 999}, {2000, 300}}) {
    const Image scaled = scaleImage(image, w, h);
    ASSERT_EQ(scaled.width(), w);
    ASSERT_EQ(scaled.height(), h);
    EXPECT_EQ(scaled, Image::filled(w, h, makePixel(200, 100, 50))) << w << " x " << h;
  }
  EXPECT_TRUE(scaleImage(image, 0, 10).isNull());
}

TEST(Scale, EnlargingInterpolatesBetweenNeighbours) {
  Image image(2, 1);
  image.setPixel(0, 0, makePixel(0, 0, 0));
  image.setPixel(1, 0, makePixel(200, 200, 200));
  const Image wide = scaleImage(image, 4, 1);
  EXPECT_EQ(wide.pixel(0, 0), makePixel(0, 0, 0));
  EXPECT_EQ(wide.pixel(1, 0), makePixel(50, 50, 50));
  EXPECT_EQ(wide.pixel(2, 0), makePixel(150, 150, 150));
  EXPECT_EQ(wide.pixel(3, 0), makePixel(200, 200, 200));
}

}  // namespace
}  // namespace korvalis
