#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace korvalis {

/// A look-up table of one colour channel: new value by old value.
using ChannelTable = std::array<std::uint8_t, 256>;

/// Replaces red, green and blue of every pixel word by their table values and sets the fourth
/// byte to 0. Uses 64-byte table look-ups on processors that have them (checked at run time),
/// one pixel at a time elsewhere; both give the same pixels.
void mapChannels(std::span<std::uint32_t> pixels, const ChannelTable& red,
                 const ChannelTable& green, const ChannelTable& blue);

}  // namespace korvalis
