#include "viewer/point_ops.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "viewer/scale.h"

namespace korvalis {
namespace {

using Table = std::array<std::uint8_t, 256>;

std::uint8_t clampChannel(long value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0L, 255L));
}

/// Maps each colour channel through its table; the fourth byte becomes 0.
void applyTables(Image& image, const Table& red, const Table& green, const Table& blue) {
  for (std::uint32_t& p : image.pixels()) {
    p = makePixel(red[static_cast<std::size_t>(pixelRed(p))],
                  green[static_cast<std::size_t>(pixelGreen(p))],
                  blue[static_cast<std::size_t>(pixelBlue(p))]);
  }
}

void applyTable(Image& image, const Table& table) {
  applyTables(image, table, table, table);
}

/// The equalisation map of one channel; `bestLevel` carries over from the previous level
/// and the previous channel.
Table equalisationMap(const std::array<std::uint64_t, 256>& histogram, std::uint64_t total,
                      int& bestLevel) {
  std::array<std::uint64_t, 256> cumulative{};
  std::array<std::uint64_t, 256> target{};
  std::uint64_t sum = 0;
  std::uint64_t targetSum = 0;
  for (std::size_t i = 0; i < 256; ++i) {
    sum += histogram[i];
    cumulative[i] = sum;
    targetSum += total / 256 + (i < total % 256 ? 1 : 0);
    target[i] = targetSum;
  }
  Table map{};
  for (std::size_t i = 0; i < 256; ++i) {
    std::uint64_t bestDifference = cumulative[255];
    for (int j = 0; j < 256; ++j) {
      const std::uint64_t c = cumulative[i];
      const std::uint64_t u = target[static_cast<std::size_t>(j)];
      const std::uint64_t difference = c > u ? c - u : u - c;
      if (difference < bestDifference) {
        bestDifference = difference;
        bestLevel = j;
      }
    }
    map[i] = static_cast<std::uint8_t>(bestLevel);
  }
  return map;
}

}  // namespace

bool invertImage(Image& image) {
  if (image.isNull()) {
    return false;
  }
  for (std::uint32_t& p : image.pixels()) {
    p = ~p;
  }
  return true;
}

bool monochromeImage(Image& image, int threshold) {
  if (image.isNull()) {
    return false;
  }
  const std::int64_t t = threshold;
  const std::int64_t limit = t + 256 * t + 65536 * t;
  for (std::uint32_t& p : image.pixels()) {
    const std::int64_t v = pixelRed(p) + 256 * pixelGreen(p) + 65536 * pixelBlue(p);
    p = v > limit ? makePixel(255, 255, 255) : makePixel(0, 0, 0);
  }
  return true;
}

bool equaliseImage(Image& image) {
  if (image.isNull()) {
    return false;
  }
  std::array<std::array<std::uint64_t, 256>, 3> histograms{};
  for (const std::uint32_t p : image.pixels()) {
    ++histograms[0][static_cast<std::size_t>(pixelRed(p))];
    ++histograms[1][static_cast<std::size_t>(pixelGreen(p))];
    ++histograms[2][static_cast<std::size_t>(pixelBlue(p))];
  }
  const std::uint64_t total = image.pixelCount();
  int bestLevel = 0;
  const Table red = equalisationMap(histograms[0], total, bestLevel);
  const Table green = equalisationMap(histograms[1], total, bestLevel);
  const Table blue = equalisationMap(histograms[2], total, bestLevel);
  applyTables(image, red, green, blue);
  return true;
}

bool brightnessImage(Image& image, int offset) {
  if (image.isNull() || offset < -255 || offset > 255) {
    return false;
  }
  Table table{};
  for (int x = 0; x < 256; ++x) {
    table[static_cast<std::size_t>(x)] = clampChannel(x + offset);
  }
  applyTable(image, table);
  return true;
}

bool contrastImage(Image& image, float k) {
  if (image.isNull() || !(k >= -255.0F && k <= 255.0F)) {
    return false;
  }
  const float factor = (259.0F * (k + 255.0F)) / (255.0F * (259.0F - k));
  Table table{};
  for (int x = 0; x < 256; ++x) {
    const float value = static_cast<float>(x - 128) * factor + 128.0F;
    table[static_cast<std::size_t>(x)] = clampChannel(std::lround(value));
  }
  applyTable(image, table);
  return true;
}

bool gammaImage(Image& image, double gamma) {
  if (image.isNull() || !(gamma > 0.0 && gamma < 8.0)) {
    return false;
  }
  Table table{};
  for (int x = 0; x < 256; ++x) {
    const double value = 255.0 * std::pow(x / 255.0, 1.0 / gamma);
    table[static_cast<std::size_t>(x)] = clampChannel(std::lround(value));
  }
  applyTable(image, table);
  return true;
}

SliderSetting sliderSetting(PointOp op) {
  switch (op) {
    case PointOp::Monochrome:
      return {true, 1, 255, 128};
    case PointOp::Brightness:
    case PointOp::Contrast:
      return {true, 1, 511, 256};
    case PointOp::Gamma:
      return {true, 1, 399, 100};
    default:
      return {};
  }
}

std::string valueFieldText(PointOp op, int sliderValue) {
  switch (op) {
    case PointOp::Monochrome:
      return std::to_string(sliderValue);
    case PointOp::Brightness:
    case PointOp::Contrast:
      return std::to_string(sliderValue - 256);
    case PointOp::Gamma: {
      char text[32];
      std::snprintf(text, sizeof text, "%d.%02d", sliderValue / 100, sliderValue % 100);
      return text;
    }
    default:
      return {};
  }
}

double parameterForSlider(PointOp op, int sliderValue) {
  switch (op) {
    case PointOp::Monochrome:
      return sliderValue;
    case PointOp::Brightness:
    case PointOp::Contrast:
      return sliderValue - 256;
    case PointOp::Gamma:
      return sliderValue / 100.0;
    default:
      return 0.0;
  }
}

bool applyPointOp(Image& image, PointOp op, double parameter) {
  switch (op) {
    case PointOp::Invert:
      return invertImage(image);
    case PointOp::Monochrome:
      return monochromeImage(image, static_cast<int>(std::lround(parameter)));
    case PointOp::Equalise:
      return equaliseImage(image);
    case PointOp::Brightness:
      if (!(parameter >= -255.0 && parameter <= 255.0)) {
        return false;
      }
      return brightnessImage(image, static_cast<int>(std::lround(parameter)));
    case PointOp::Contrast:
      return contrastImage(image, static_cast<float>(parameter));
    case PointOp::Gamma:
      return gammaImage(image, parameter);
    case PointOp::None:
      break;
  }
  return false;
}

Image previewCopy(const Image& page, int previewWidth, int previewHeight) {
  if (page.isNull() || previewWidth < 1 || previewHeight < 1) {
    return {};
  }
  const double scale = std::max(static_cast<double>(page.width()) / previewWidth,
                                static_cast<double>(page.height()) / previewHeight);
  const int width = std::max(1, static_cast<int>(std::lround(page.width() / scale)));
  const int height = std::max(1, static_cast<int>(std::lround(page.height() / scale)));
  return scaleImage(page, width, height);
}

}  // namespace korvalis
