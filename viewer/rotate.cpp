#include "viewer/rotate.h"

#include <algorithm>

namespace korvalis {
namespace {

/// Rows of the result are filled in bands; within a band the source is read in square
/// tiles so the column-wise reads of a quarter turn stay in the cache.
constexpr int kTile = 64;

enum class Turn { CounterClockwise, Clockwise, Half };

/// Source coordinates of result pixel (x, y) for an image of old size w x h.
inline std::uint32_t sourcePixel(const Image& src, Turn turn, int x, int y) {
  switch (turn) {
    case Turn::CounterClockwise:
      return src.pixel(src.width() - 1 - y, x);
    case Turn::Clockwise:
      return src.pixel(y, src.height() - 1 - x);
    case Turn::Half:
      break;
  }
  return src.pixel(src.width() - 1 - x, src.height() - 1 - y);
}

void fillBand(const Image& src, Turn turn, Image& dst, int y0, int y1) {
  for (int x0 = 0; x0 < dst.width(); x0 += kTile) {
    const int x1 = std::min(dst.width(), x0 + kTile);
    for (int y = y0; y < y1; ++y) {
      std::uint32_t* out = dst.row(y);
      for (int x = x0; x < x1; ++x) {
        out[x] = sourcePixel(src, turn, x, y);
      }
    }
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
  Image result(quarter ? image.height() : image.width(), quarter ? image.width() : image.height());
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
