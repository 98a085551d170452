// Builds PNG files chunk by chunk for the image tests (the CRC is not checked by the writer).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace korvalis::testing {

/// Appends a chunk: length, type, data and a zero CRC.
inline void appendPngChunk(std::vector<std::uint8_t>& b, std::string_view type,
                           const std::vector<std::uint8_t>& data) {
  const auto n = static_cast<std::uint32_t>(data.size());
  b.insert(b.end(), {static_cast<std::uint8_t>(n >> 24), static_cast<std::uint8_t>(n >> 16),
                     static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)});
  b.insert(b.end(), type.begin(), type.end());
  b.insert(b.end(), data.begin(), data.end());
  b.insert(b.end(), {0, 0, 0, 0});
}

}  // namespace korvalis::testing
