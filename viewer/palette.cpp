#include "viewer/palette.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace korvalis {
namespace {

constexpr std::uint32_t colourOf(std::uint32_t pixel) {
  return pixel & 0x00FFFFFFU;
}

int luminance(std::uint32_t p) {
  return (pixelRed(p) * 77 + pixelGreen(p) * 150 + pixelBlue(p) * 29 + 128) >> 8;
}

bool isGrey(const Image& image) {
  return std::all_of(image.pixels().begin(), image.pixels().end(), [](std::uint32_t p) {
    return pixelRed(p) == pixelGreen(p) && pixelGreen(p) == pixelBlue(p);
  });
}

/// The exact palette when the image has at most `limit` colours.
bool exactPalette(const Image& image, std::size_t limit, IndexedImage& out) {
  std::unordered_map<std::uint32_t, std::uint8_t> index;
  for (const std::uint32_t p : image.pixels()) {
    const std::uint32_t c = colourOf(p);
    if (index.find(c) != index.end()) {
      continue;
    }
    if (index.size() == limit) {
      return false;
    }
    index.emplace(c, static_cast<std::uint8_t>(index.size()));
    out.palette.push_back(c);
  }
  out.indices.reserve(image.pixelCount());
  for (const std::uint32_t p : image.pixels()) {
    out.indices.push_back(index.at(colourOf(p)));
  }
  return true;
}

void greyLevels(const Image& image, int levels, IndexedImage& out) {
  for (int i = 0; i < levels; ++i) {
    const int v = i * 255 / (levels - 1);
    out.palette.push_back(makePixel(v, v, v));
  }
  out.indices.reserve(image.pixelCount());
  for (const std::uint32_t p : image.pixels()) {
    const int level = (luminance(p) * (levels - 1) + 127) / 255;
    out.indices.push_back(static_cast<std::uint8_t>(level));
  }
}

/// A fixed cube with the given number of levels per channel (red, green, blue).
void colourCube(const Image& image, const std::array<int, 3>& levels, IndexedImage& out) {
  const auto level = [](int value, int count) { return (value * (count - 1) + 127) / 255; };
  const auto value = [](int lv, int count) { return lv * 255 / (count - 1); };
  for (int r = 0; r < levels[0]; ++r) {
    for (int g = 0; g < levels[1]; ++g) {
      for (int b = 0; b < levels[2]; ++b) {
        out.palette.push_back(
            makePixel(value(r, levels[0]), value(g, levels[1]), value(b, levels[2])));
      }
    }
  }
  out.indices.reserve(image.pixelCount());
  for (const std::uint32_t p : image.pixels()) {
    const int r = level(pixelRed(p), levels[0]);
    const int g = level(pixelGreen(p), levels[1]);
    const int b = level(pixelBlue(p), levels[2]);
    out.indices.push_back(static_cast<std::uint8_t>((r * levels[1] + g) * levels[2] + b));
  }
}

}  // namespace

IndexedImage reduceColours(const Image& image, int depth) {
  IndexedImage out;
  out.width = image.width();
  out.height = image.height();
  if (image.isNull()) {
    return out;
  }
  const int limit = depth <= 1 ? 2 : depth <= 4 ? 16 : 256;
  if (exactPalette(image, static_cast<std::size_t>(limit), out)) {
    return out;
  }
  out.palette.clear();
  out.indices.clear();
  if (limit == 2 || isGrey(image)) {
    greyLevels(image, limit, out);
  } else if (limit == 16) {
    colourCube(image, {2, 4, 2}, out);
  } else {
    colourCube(image, {8, 8, 4}, out);
  }
  return out;
}

void packIndexRow(const std::uint8_t* indices, int width, int depth, std::uint8_t* out) {
  if (depth == 8) {
    std::copy(indices, indices + width, out);
    return;
  }
  const int perByte = 8 / depth;
  const int bytes = (width + perByte - 1) / perByte;
  std::fill(out, out + bytes, std::uint8_t{0});
  for (int x = 0; x < width; ++x) {
    const int shift = 8 - depth * (x % perByte + 1);
    out[x / perByte] = static_cast<std::uint8_t>(out[x / perByte] | (indices[x] << shift));
  }
}

}  // namespace korvalis
