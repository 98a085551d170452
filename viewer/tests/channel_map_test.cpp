#include "viewer/channel_map.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/image.h"

namespace korvalis {
namespace {

ChannelTable randomTable(std::uint32_t seed) {
  ChannelTable table{};
  for (std::uint8_t& entry : table) {
    seed = seed * 1664525U + 1013904223U;
    entry = static_cast<std::uint8_t>(seed >> 24);
  }
  return table;
}

TEST(ChannelMap, EveryPixelTakesItsTableValues) {
  // Lengths with and without a rest after the whole 16-pixel groups; distinct tables per
  // channel and one table for all three.
  const ChannelTable red = randomTable(1);
  const ChannelTable green = randomTable(2);
  const ChannelTable blue = randomTable(3);
  for (const std::size_t count : {0U, 5U, 16U, 4099U}) {
    std::vector<std::uint32_t> pixels(count);
    std::uint32_t seed = 17;
    for (std::uint32_t& p : pixels) {
      seed = seed * 1664525U + 1013904223U;
      p = seed;
    }
    for (const bool shared : {false, true}) {
      const ChannelTable& g = shared ? red : green;
      const ChannelTable& b = shared ? red : blue;
      std::vector<std::uint32_t> mapped = pixels;
      mapChannels(mapped, red, g, b);
      for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t p = pixels[i];
        ASSERT_EQ(mapped[i], makePixel(red[static_cast<std::size_t>(pixelRed(p))],
                                       g[static_cast<std::size_t>(pixelGreen(p))],
                                       b[static_cast<std::size_t>(pixelBlue(p))]))
            << "pixel " << i << " of " << count << (shared ? ", one table" : ", three tables");
      }
    }
  }
}

}  // namespace
}  // namespace korvalis
