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

/// Reduces the colours to at most 2 (depth 1), 16 (depth 4) or 256 (depth 8), choosing the
/// palette from the image itself:
/// - an image that already has few enough colours keeps them exactly;
/// - 2 colours: the page is split into ink and paper at the threshold that best separates the
///   two in the brightness histogram (Otsu's method), each side taking its mean colour; no
///   dithering, so handwriting stays legible instead of turning into dots;
/// - grey pages: the grey levels that minimise the squared error for the page's histogram
///   (exact, by dynamic programming);
/// - colour pages: median cut on a 15-bit colour histogram, refined by k-means.
/// With 16 and 256 colours the pixels are mapped with Floyd-Steinberg error diffusion, so
/// smooth paper and photos keep their local tone instead of banding; with 2 colours a
/// dithered background would sprinkle ink-coloured dots around the writing.
IndexedImage reduceColours(const Image& image, int depth);

/// Packs one row of palette indices into `depth`-bit values, high bits first.
void packIndexRow(const std::uint8_t* indices, int width, int depth, std::uint8_t* out);

}  // namespace korvalis
