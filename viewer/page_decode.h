#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "viewer/image_codec.h"
#include "viewer/page_geometry.h"

namespace korvalis {

/// A received page decoded for showing: the full-resolution page and its display copy.
struct DecodedPage {
  DecodeResult page;
  Image display;  // null when the page could not be decoded
};

/// Decodes a page and makes its display copy of the size `displaySizeFor` gives for the page
/// size. For a JPEG the full page is decoded on a second thread while this thread makes the
/// display copy from a reduced decode, so the copy costs next to nothing; other formats are
/// decoded once and scaled.
DecodedPage decodePageWithDisplay(std::span<const std::uint8_t> bytes,
                                  const std::function<PixelSize(PixelSize page)>& displaySizeFor);

}  // namespace korvalis
