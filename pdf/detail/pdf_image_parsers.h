#pragma once

#include <cstdint>
#include <span>

#include "pdf/pdf_document.h"

namespace korvalis {

/// What the JPEG header walk found.
enum class JpegHeader {
  Found,     ///< a frame header: size, depth and colour space are set
  Damaged,   ///< no frame header, or a segment running past the end of a complete file
  NeedMore,  ///< the bytes end inside the header and more of the file is to come
};

/// Walks the JPEG markers of `bytes` up to the first frame header and fills size, depth and
/// colour space of `image`. `complete` tells whether `bytes` is the whole file.
JpegHeader parseJpegHeader(PdfImage& image, std::span<const std::uint8_t> bytes, bool complete);

/// Reads the PNG header and collects palette and IDAT data. A palette is one PLTE chunk of 1 to
/// 256 entries of 3 bytes, and the image data must not be empty. Returns None or the error.
PdfError parsePng(PdfImage& image, std::span<const std::uint8_t> file);

}  // namespace korvalis
