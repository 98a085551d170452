#include "viewer/point_ops.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <span>

#include "viewer/channel_map.h"
#include "viewer/row_bands.h"
#include "viewer/scale.h"

namespace korvalis {
namespace {

using Table = ChannelTable;

std::uint8_t clampChannel(long value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0L, 255L));
}

/// Images are worked on in bands of at least this many pixels on all cores; smaller ones by
/// the calling thread alone.
constexpr std::size_t kPixelsPerBand = std::size_t{1} << 20;

/// Runs `work` over the pixels of the image in bands of whole pixels.
void forEachPixelBand(Image& image,
                      const std::function<void(std::span<std::uint32_t> pixels)>& work) {
  const std::span<std::uint32_t> all = image.pixels();
  forEachBand(all.size(), kPixelsPerBand,
              [&](std::size_t first, std::size_t last) { work(all.subspan(first, last - first)); });
}

/// Maps each colour channel through its table; the fourth byte becomes 0.
void applyTables(Image& image, const Table& red, const Table& green, const Table& blue) {
  forEachPixelBand(image,
                   [&](std::span<std::uint32_t> pixels) { mapChannels(pixels, red, green, blue); });
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

/// Histograms of red, green and blue. Neighbouring pixels tend to have the same values,
/// and counting them into one counter after the other waits for each increment; four sets of
/// counters taken in turn keep the increments apart. The 32-bit counters are added up at
/// least every 2^31 pixels.
std::array<std::array<std::uint64_t, 256>, 3> countChannels(std::span<const std::uint32_t> pixels) {
  std::array<std::array<std::uint64_t, 256>, 3> totals{};
  constexpr std::size_t kChunk = std::size_t{1} << 31;
  for (std::size_t start = 0; start < pixels.size(); start += kChunk) {
    const std::span<const std::uint32_t> chunk =
        pixels.subspan(start, std::min(kChunk, pixels.size() - start));
    // counts[set][channel * 256 + level]
    std::array<std::array<std::uint32_t, 3 * 256>, 4> counts{};
    const auto add = [](std::array<std::uint32_t, 3 * 256>& c, std::uint32_t p) {
      ++c[(p >> 16) & 0xFF];
      ++c[256 + ((p >> 8) & 0xFF)];
      ++c[512 + (p & 0xFF)];
    };
    const std::size_t whole = chunk.size() / 4 * 4;
    for (std::size_t i = 0; i < whole; i += 4) {
      add(counts[0], chunk[i]);
      add(counts[1], chunk[i + 1]);
      add(counts[2], chunk[i + 2]);
      add(counts[3], chunk[i + 3]);
    }
    for (std::size_t i = whole; i < chunk.size(); ++i) {
      add(counts[0], chunk[i]);
    }
    for (const auto& set : counts) {
      for (std::size_t c = 0; c < 3; ++c) {
        for (std::size_t level = 0; level < 256; ++level) {
          totals[c][level] += set[c * 256 + level];
        }
      }
    }
  }
  return totals;
}

}  // namespace

bool invertImage(Image& image) {
  if (image.isNull()) {
    return false;
  }
  forEachPixelBand(image, [](std::span<std::uint32_t> pixels) {
    for (std::uint32_t& p : pixels) {
      p = ~p;
    }
  });
  return true;
}

bool monochromeImage(Image& image, int threshold) {
  if (image.isNull()) {
    return false;
  }
  const std::int64_t t = threshold;
  // v = R + 256 G + 65536 B is at most 16,777,215, so limits outside 0..16,777,215 are
  // clamped into 32-bit range without changing any comparison.
  const auto limit =
      static_cast<std::int32_t>(std::clamp<std::int64_t>(t + 256 * t + 65536 * t, -1, 1 << 24));
  forEachPixelBand(image, [limit](std::span<std::uint32_t> pixels) {
    for (std::uint32_t& p : pixels) {
      // The colour value is the pixel word with red and blue swapped.
      const auto v = static_cast<std::int32_t>((p >> 16 & 0xFF) | (p & 0xFF00) | (p & 0xFF) << 16);
      p = v > limit ? 0x00FFFFFFU : 0U;
    }
  });
  return true;
}

bool equaliseImage(Image& image) {
  if (image.isNull()) {
    return false;
  }
  using Histograms = std::array<std::array<std::uint64_t, 256>, 3>;
  // Each band counts into histograms of its own and adds them to the totals when done.
  Histograms histograms{};
  std::mutex adding;
  const std::span<const std::uint32_t> all = image.pixels();
  forEachBand(all.size(), kPixelsPerBand, [&](std::size_t first, std::size_t last) {
    const Histograms h = countChannels(all.subspan(first, last - first));
    const std::lock_guard lock(adding);
    for (std::size_t c = 0; c < 3; ++c) {
      for (std::size_t i = 0; i < 256; ++i) {
        histograms[c][i] += h[c][i];
      }
    }
  });
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
