#include "viewer/scale.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <new>
#include <vector>

#include "viewer/image_memory.h"
#include "viewer/row_bands.h"

#if defined(__x86_64__) && defined(__GNUC__)
#define KORVALIS_WIDER_VECTORS 1
#endif

namespace korvalis {
namespace {

/// Weights are fixed point with 12 fractional bits; each output sample's weights sum to
/// exactly 4096, so a uniform colour comes out unchanged.
constexpr int kWeightBits = 12;

/// Sources of this many pixels and more are scaled on all cores.
constexpr std::size_t kParallelPixels = std::size_t{1} << 21;

/// For every output coordinate: the first source index and the weights of the source samples.
struct Contributions {
  std::vector<int> first;
  std::vector<int> offset;  // into weights; offset[i + 1] - offset[i] taps
  std::vector<std::int32_t> weights;
};

/// Area averaging: each output sample covers srcLen / dstLen source samples. The weights are
/// differences of the rounded running coverage, so they are never negative, each is within
/// one unit of its exact value, and together they make exactly `one`.
Contributions areaContributions(int srcLen, int dstLen, std::int64_t one) {
  Contributions c;
  c.offset.push_back(0);
  for (std::int64_t x = 0; x < dstLen; ++x) {
    // In units of 1 / dstLen source samples.
    const std::int64_t a = x * srcLen;
    const std::int64_t b = (x + 1) * srcLen;
    const int i0 = static_cast<int>(a / dstLen);
    const int i1 = static_cast<int>(std::min<std::int64_t>((b + dstLen - 1) / dstLen, srcLen));
    c.first.push_back(i0);
    std::int64_t before = 0;
    for (int i = i0; i < i1; ++i) {
      const std::int64_t covered = std::min<std::int64_t>(b, std::int64_t{i + 1} * dstLen) - a;
      const std::int64_t upTo = (covered * one + srcLen / 2) / srcLen;
      c.weights.push_back(static_cast<std::int32_t>(upTo - before));
      before = upTo;
    }
    c.offset.push_back(static_cast<int>(c.weights.size()));
  }
  return c;
}

/// Linear interpolation between the two nearest source samples (for enlarging).
Contributions linearContributions(int srcLen, int dstLen, std::int64_t one) {
  Contributions c;
  c.offset.push_back(0);
  for (int x = 0; x < dstLen; ++x) {
    const double centre = (x + 0.5) * srcLen / dstLen - 0.5;
    const int i0 = std::clamp(static_cast<int>(std::floor(centre)), 0, srcLen - 1);
    const int i1 = std::min(i0 + 1, srcLen - 1);
    const double f = std::clamp(centre - i0, 0.0, 1.0);
    c.first.push_back(i0);
    const auto near = static_cast<std::int32_t>(std::lround((1.0 - f) * static_cast<double>(one)));
    if (i1 != i0) {
      c.weights.push_back(near);
      c.weights.push_back(static_cast<std::int32_t>(one) - near);
    } else {
      c.weights.push_back(static_cast<std::int32_t>(one));
    }
    c.offset.push_back(static_cast<int>(c.weights.size()));
  }
  return c;
}

Contributions contributions(int srcLen, int dstLen) {
  constexpr std::int64_t one = std::int64_t{1} << kWeightBits;
  return dstLen <= srcLen ? areaContributions(srcLen, dstLen, one)
                          : linearContributions(srcLen, dstLen, one);
}

/// One step of the vertical pass: four weighted source rows added to the sums (stored in
/// them for the first group); four at a time so the sums are read and written once per four
/// rows.
struct RowGroup {
  std::uint32_t* sums = nullptr;
  std::size_t count = 0;
  std::array<const std::uint8_t*, 4> rows{};
  std::array<std::uint16_t, 4> weights{};
  bool first = false;
};

/// Bytes times 16-bit weights in 32-bit sums: the compiler turns this into vector code, as
/// wide as the function it is compiled into allows.
[[gnu::always_inline]] inline void addRowGroup(const RowGroup& group) {
  const std::uint8_t* a = group.rows[0];
  const std::uint8_t* b = group.rows[1];
  const std::uint8_t* c = group.rows[2];
  const std::uint8_t* d = group.rows[3];
  const std::uint32_t wa = group.weights[0];
  const std::uint32_t wb = group.weights[1];
  const std::uint32_t wc = group.weights[2];
  const std::uint32_t wd = group.weights[3];
  std::uint32_t* acc = group.sums;
  if (group.first) {
    for (std::size_t i = 0; i < group.count; ++i) {
      acc[i] = a[i] * wa + b[i] * wb + c[i] * wc + d[i] * wd;
    }
  } else {
    for (std::size_t i = 0; i < group.count; ++i) {
      acc[i] += a[i] * wa + b[i] * wb + c[i] * wc + d[i] * wd;
    }
  }
}

using RowGroupFunction = void (*)(const RowGroup&);

void addRowGroupPlain(const RowGroup& group) {
  addRowGroup(group);
}

#if defined(KORVALIS_WIDER_VECTORS)
__attribute__((target("avx2"))) void addRowGroupAvx2(const RowGroup& group) {
  addRowGroup(group);
}
__attribute__((target("avx512f,avx512bw"))) void addRowGroupAvx512(const RowGroup& group) {
  addRowGroup(group);
}
#endif

/// The version for the widest vectors the processor has, chosen once.
RowGroupFunction rowGroupFunction() {
  static const RowGroupFunction chosen = [] {
#if defined(KORVALIS_WIDER_VECTORS)
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw")) {
      return &addRowGroupAvx512;
    }
    if (__builtin_cpu_supports("avx2")) {
      return &addRowGroupAvx2;
    }
#endif
    return &addRowGroupPlain;
  }();
  return chosen;
}

/// Scratch rows of one band: the vertical sums and the reduced row made from them.
struct BandRows {
  std::vector<std::uint32_t> sums;
  std::vector<std::uint16_t> column;  // channel x 256
};

/// Vertical pass for one output row: the weighted sum of its source rows, for all four bytes
/// of each pixel (a straight run over bytes), kept as channel x 256 in 16 bits.
void verticalPass(const Image& image, const Contributions& cy, int y, BandRows& rows) {
  const int begin = cy.offset[static_cast<std::size_t>(y)];
  const int taps = cy.offset[static_cast<std::size_t>(y) + 1] - begin;
  const int firstRow = cy.first[static_cast<std::size_t>(y)];
  const RowGroupFunction addGroup = rowGroupFunction();
  RowGroup group;
  group.sums = rows.sums.data();
  group.count = rows.sums.size();
  for (int k = 0; k < taps; k += 4) {
    for (int j = 0; j < 4; ++j) {
      // Missing rows of the last group repeat a row with weight 0.
      const int tap = std::min(k + j, taps - 1);
      group.rows[static_cast<std::size_t>(j)] =
          reinterpret_cast<const std::uint8_t*>(image.row(firstRow + tap));
      group.weights[static_cast<std::size_t>(j)] =
          k + j < taps
              ? static_cast<std::uint16_t>(cy.weights[static_cast<std::size_t>(begin + tap)])
              : std::uint16_t{0};
    }
    group.first = k == 0;
    addGroup(group);
  }
  const std::size_t count = rows.sums.size();
  constexpr int shift = kWeightBits - 8;
  constexpr std::uint32_t half = 1U << (shift - 1);
  for (std::size_t i = 0; i < count; ++i) {
    rows.column[i] = static_cast<std::uint16_t>((rows.sums[i] + half) >> shift);
  }
}

/// Horizontal pass: the output row from the vertically reduced source row.
void horizontalPass(const std::vector<std::uint16_t>& column, const Contributions& cx,
                    std::uint32_t* out, int width) {
  constexpr int shift = kWeightBits + 8;
  constexpr std::uint32_t half = 1U << (shift - 1);
  for (int x = 0; x < width; ++x) {
    const std::size_t xi = static_cast<std::size_t>(x);
    const int begin = cx.offset[xi];
    const int taps = cx.offset[xi + 1] - begin;
    const std::uint16_t* src = column.data() + 4 * static_cast<std::size_t>(cx.first[xi]);
    const std::int32_t* w = cx.weights.data() + begin;
    std::uint32_t b = 0;
    std::uint32_t g = 0;
    std::uint32_t r = 0;
    for (int k = 0; k < taps; ++k) {
      const auto wk = static_cast<std::uint32_t>(w[k]);
      b += src[4 * k] * wk;
      g += src[4 * k + 1] * wk;
      r += src[4 * k + 2] * wk;
    }
    const auto channel = [](std::uint32_t sum) {
      return static_cast<int>(std::min<std::uint32_t>(255, (sum + half) >> shift));
    };
    out[x] = makePixel(channel(r), channel(g), channel(b));
  }
}

}  // namespace

Image scaleImage(const Image& image, int width, int height) {
  if (image.isNull() || width < 1 || height < 1) {
    return {};
  }
  if (width == image.width() && height == image.height()) {
    return image;
  }
  Image result = allocateImage(width, height);
  if (result.isNull()) {
    return {};
  }
  const Contributions cx = contributions(image.width(), width);
  const Contributions cy = contributions(image.height(), height);
  // Vertical pass first, one output row at a time: the source is read once, in order, and
  // the horizontal pass then works on a single reduced row instead of every source row.
  // Large pages are done in bands of output rows on all cores; each band writes its own rows.
  const std::size_t values = static_cast<std::size_t>(image.width()) * 4;
  const std::size_t minRows =
      image.pixelCount() >= kParallelPixels ? std::size_t{16} : static_cast<std::size_t>(height);
  std::atomic<bool> failed = false;
  forEachBand(static_cast<std::size_t>(height), minRows, [&](std::size_t y0, std::size_t y1) {
    BandRows rows;
    try {
      rows.sums.resize(values);
      rows.column.resize(values);
    } catch (const std::bad_alloc&) {
      failed = true;
      return;
    }
    for (auto y = static_cast<int>(y0); y < static_cast<int>(y1); ++y) {
      verticalPass(image, cy, y, rows);
      horizontalPass(rows.column, cx, result.row(y), width);
    }
  });
  if (failed) {
    return {};
  }
  return result;
}

}  // namespace korvalis
