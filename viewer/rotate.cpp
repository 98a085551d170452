#include "viewer/rotate.h"

#include <algorithm>
#include <cstddef>

#include "viewer/image_memory.h"

namespace korvalis {
namespace {

/// Rows of the result are filled in bands; within a band the source is read in square
/// tiles so the column-wise reads of a quarter turn stay in the cache.
constexpr int kTile = 64;

enum class Turn { CounterClockwise, Clockwise, Half };

/// Result rows y0..y1 of a quarter turn. Result pixel (x, y) comes from source column
/// `column(y)`, row `sourceRow(x)`; within a tile the strided reads stay in the cache.
template <typename ColumnOf, typename RowOf>
void quarterBand(const Image& src, Image& dst, int y0, int y1, ColumnOf column, RowOf sourceRow) {
  const std::uint32_t* base = src.row(0);
  const auto stride = static_cast<std::size_t>(src.width());
  for (int x0 = 0; x0 < dst.width(); x0 += kTile) {
    const int x1 = std::min(dst.width(), x0 + kTile);
    for (int y = y0; y < y1; ++y) {
      std::uint32_t* out = dst.row(y);
      const std::uint32_t* in = base + column(y);
      for (int x = x0; x < x1; ++x) {
        out[x] = in[static_cast<std::size_t>(sourceRow(x)) * stride];
      }
    }
  }
}

void fillBand(const Image& src, Turn turn, Image& dst, int y0, int y1) {
  const int w = src.width();
  const int h = src.height();
  switch (turn) {
    case Turn::CounterClockwise:  // (x', y') <- (W - 1 - y', x')
      quarterBand(
          src, dst, y0, y1, [w](int y) { return w - 1 - y; }, [](int x) { return x; });
      return;
    case Turn::Clockwise:  // (x', y') <- (y', H - 1 - x')
      quarterBand(
          src, dst, y0, y1, [](int y) { return y; }, [h](int x) { return h - 1 - x; });
      return;
    case Turn::Half:  // (x', y') <- (W - 1 - x', H - 1 - y'): each row reversed
      for (int y = y0; y < y1; ++y) {
        const std::uint32_t* in = src.row(h - 1 - y);
        std::reverse_copy(in, in + w, dst.row(y));
      }
      return;
  }
}

}  // namespace

Image rotateImage(const Image& image, int angle, const RotateProgress& progress) {
  if (image.isNull() || angle % 90 != 0) {
    return {};
  }
  const int normalised = ((angle % 360) + 360) % 360;
  if (normalised == 0) {
    return image;
  }
  const Turn turn = normalised == 90    ? Turn::CounterClockwise
                    : normalised == 270 ? Turn::Clockwise
                                        : Turn::Half;
  const bool quarter = turn != Turn::Half;
  Image result = allocateImage(quarter ? image.height() : image.width(),
                               quarter ? image.width() : image.height());
  if (result.isNull()) {
    return {};
  }
  if (progress) {
    progress(1);
  }
  int lastPercent = 1;
  for (int y0 = 0; y0 < result.height(); y0 += kTile) {
    const int y1 = std::min(result.height(), y0 + kTile);
    fillBand(image, turn, result, y0, y1);
    const int percent = static_cast<int>(static_cast<long long>(y1) * 100 / result.height());
    if (progress && percent != lastPercent) {
      progress(percent);
      lastPercent = percent;
    }
  }
  if (progress) {
    progress(0);
  }
  return result;
}

}  // namespace korvalis
