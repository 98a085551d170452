#pragma once

// Per-format decoders and encoders behind image_codec.h.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "viewer/image_codec.h"

namespace korvalis {

/// Checks a header's claimed size against the decoders' limit.
inline bool acceptableSize(std::int64_t width, std::int64_t height) {
  return width >= 1 && height >= 1 && width <= 0x7FFFFFFF && height <= 0x7FFFFFFF &&
         static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <=
             kMaxDecodedPixels;
}

DecodeResult decodeJpeg(std::span<const std::uint8_t> bytes);
std::optional<ImageDimensions> jpegDimensions(std::span<const std::uint8_t> bytes);
DecodeResult decodePng(std::span<const std::uint8_t> bytes);
DecodeResult decodeTiff(std::span<const std::uint8_t> bytes);
DecodeResult decodeBmp(std::span<const std::uint8_t> bytes);

}  // namespace korvalis
