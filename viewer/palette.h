#pragma once

#include <cstdint>
#include <vector>

#include "platform/image.h"

namespace korvalis {

/// An image reduced to a palette of at most 2, 16 or 256 colours, for 1-, 4- and 8-bit files.
struct IndexedImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> palette;  // pixel words (fourth byte 0)
  std::vector<std::uint8_t> indices;   // one per pixel, rows top to bottom
};

/// Reduces the colours: an image that already has few enough colours keeps them exactly; a
/// grey image gets evenly spaced grey levels; a coloured one a fixed colour cube (2 colours:
/// black and white by luminance). No dithering, so text edges stay sharp.
IndexedImage reduceColours(const Image& image, int depth);

/// Packs one row of palette indices into `depth`-bit values, high bits first.
void packIndexRow(const std::uint8_t* indices, int width, int depth, std::uint8_t* out);

}  // namespace korvalis
