#include "viewer/scale.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace korvalis {
namespace {

/// Weights are fixed point with 12 fractional bits; each output sample's weights sum to 4096.
constexpr int kWeightBits = 12;
constexpr std::int64_t kWeightOne = 1 << kWeightBits;

/// For every output coordinate: the first source index and the weights of the source samples.
struct Contributions {
  std::vector<int> first;
  std::vector<int> offset;  // into weights; offset[i + 1] - offset[i] taps
  std::vector<std::int32_t> weights;
};

/// Makes the weights of one output sample sum to exactly 4096 (rounding leftovers go to the
/// heaviest tap).
void normalise(std::int32_t* w, int count) {
  std::int64_t sum = 0;
  int heaviest = 0;
  for (int i = 0; i < count; ++i) {
    sum += w[i];
    if (w[i] > w[heaviest]) {
      heaviest = i;
    }
  }
  w[heaviest] += static_cast<std::int32_t>(kWeightOne - sum);
}

/// Area averaging: each output sample covers srcLen / dstLen source samples.
Contributions areaContributions(int srcLen, int dstLen) {
  Contributions c;
  c.offset.push_back(0);
  for (std::int64_t x = 0; x < dstLen; ++x) {
    // In units of 1 / dstLen source samples.
    const std::int64_t a = x * srcLen;
    const std::int64_t b = (x + 1) * srcLen;
    const int i0 = static_cast<int>(a / dstLen);
    const int i1 = static_cast<int>(std::min<std::int64_t>((b + dstLen - 1) / dstLen, srcLen));
    c.first.push_back(i0);
    const std::size_t start = c.weights.size();
    for (int i = i0; i < i1; ++i) {
      const std::int64_t lo = std::max<std::int64_t>(a, std::int64_t{i} * dstLen);
      const std::int64_t hi = std::min<std::int64_t>(b, std::int64_t{i + 1} * dstLen);
      c.weights.push_back(
          static_cast<std::int32_t>(((hi - lo) * kWeightOne + srcLen / 2) / srcLen));
    }
    normalise(c.weights.data() + start, static_cast<int>(c.weights.size() - start));
    c.offset.push_back(static_cast<int>(c.weights.size()));
  }
  return c;
}

/// Linear interpolation between the two nearest source samples (for enlarging).
Contributions linearContributions(int srcLen, int dstLen) {
  Contributions c;
  c.offset.push_back(0);
  for (int x = 0; x < dstLen; ++x) {
    const double centre = (x + 0.5) * srcLen / dstLen - 0.5;
    const int i0 = std::clamp(static_cast<int>(std::floor(centre)), 0, srcLen - 1);
    const int i1 = std::min(i0 + 1, srcLen - 1);
    const double f = std::clamp(centre - i0, 0.0, 1.0);
    c.first.push_back(i0);
    const std::size_t start = c.weights.size();
    c.weights.push_back(static_cast<std::int32_t>(std::lround((1.0 - f) * kWeightOne)));
    if (i1 != i0) {
      c.weights.push_back(static_cast<std::int32_t>(std::lround(f * kWeightOne)));
    }
    normalise(c.weights.data() + start, static_cast<int>(c.weights.size() - start));
    c.offset.push_back(static_cast<int>(c.weights.size()));
  }
  return c;
}

Contributions contributions(int srcLen, int dstLen) {
  return dstLen <= srcLen ? areaContributions(srcLen, dstLen) : linearContributions(srcLen, dstLen);
}

}  // namespace

Image scaleImage(const Image& image, int width, int height) {
  if (image.isNull() || width < 1 || height < 1) {
    return {};
  }
  if (width == image.width() && height == image.height()) {
    return image;
  }
  Image result(width, height);
  if (result.isNull()) {
    return {};
  }
  const Contributions cx = contributions(image.width(), width);
  const Contributions cy = contributions(image.height(), height);
  const std::size_t rowValues = static_cast<std::size_t>(width) * 3;
  // Horizontal pass per source row, kept as channel x 256 (16 bits) for the vertical pass.
  std::vector<std::uint16_t> between(rowValues * static_cast<std::size_t>(image.height()));
  for (int y = 0; y < image.height(); ++y) {
    const std::uint32_t* in = image.row(y);
    std::uint16_t* out = between.data() + rowValues * static_cast<std::size_t>(y);
    for (int x = 0; x < width; ++x) {
      std::uint32_t r = 0;
      std::uint32_t g = 0;
      std::uint32_t b = 0;
      const std::uint32_t* src = in + cx.first[static_cast<std::size_t>(x)];
      const int begin = cx.offset[static_cast<std::size_t>(x)];
      const int taps = cx.offset[static_cast<std::size_t>(x) + 1] - begin;
      for (int k = 0; k < taps; ++k) {
        const auto w = static_cast<std::uint32_t>(cx.weights[static_cast<std::size_t>(begin + k)]);
        const std::uint32_t p = src[k];
        r += ((p >> 16) & 0xFF) * w;
        g += ((p >> 8) & 0xFF) * w;
        b += (p & 0xFF) * w;
      }
      constexpr int shift = kWeightBits - 8;
      constexpr std::uint32_t half = 1U << (shift - 1);
      out[3 * x] = static_cast<std::uint16_t>((r + half) >> shift);
      out[3 * x + 1] = static_cast<std::uint16_t>((g + half) >> shift);
      out[3 * x + 2] = static_cast<std::uint16_t>((b + half) >> shift);
    }
  }
  // Vertical pass: weighted sums of the reduced rows.
  std::vector<std::uint32_t> sums(rowValues);
  for (int y = 0; y < height; ++y) {
    std::fill(sums.begin(), sums.end(), 0U);
    const int begin = cy.offset[static_cast<std::size_t>(y)];
    const int taps = cy.offset[static_cast<std::size_t>(y) + 1] - begin;
    for (int k = 0; k < taps; ++k) {
      const auto w = static_cast<std::uint32_t>(cy.weights[static_cast<std::size_t>(begin + k)]);
      const std::uint16_t* in =
          between.data() +
          rowValues * static_cast<std::size_t>(cy.first[static_cast<std::size_t>(y)] + k);
      for (std::size_t i = 0; i < rowValues; ++i) {
        sums[i] += in[i] * w;
      }
    }
    std::uint32_t* out = result.row(y);
    constexpr int shift = kWeightBits + 8;
    constexpr std::uint32_t half = 1U << (shift - 1);
    for (int x = 0; x < width; ++x) {
      const auto channel = [&](int c) {
        return static_cast<int>(std::min<std::uint32_t>(255, (sums[3 * x + c] + half) >> shift));
      };
      out[x] = makePixel(channel(0), channel(1), channel(2));
    }
  }
  return result;
}

}  // namespace korvalis
