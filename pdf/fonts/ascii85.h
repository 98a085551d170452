#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace korvalis {

/// Encodes bytes as ASCII85 ("z" for a group of four zero bytes, "~>" at the end). A line feed
/// follows every `lineLength` output characters, and one comes before "~>" when fewer than two
/// characters of room remain on the line. Cannot fail.
std::string ascii85Encode(std::span<const std::uint8_t> data, int lineLength = 73);

}  // namespace korvalis
