#include "viewer/channel_map.h"

#include <cstddef>

#include "platform/image.h"

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define KORVALIS_BYTE_PERMUTE 1
#endif

namespace korvalis {
namespace {

void mapOneByOne(std::span<std::uint32_t> pixels, const ChannelTable& red,
                 const ChannelTable& green, const ChannelTable& blue) {
  for (std::uint32_t& p : pixels) {
    p = makePixel(red[static_cast<std::size_t>(pixelRed(p))],
                  green[static_cast<std::size_t>(pixelGreen(p))],
                  blue[static_cast<std::size_t>(pixelBlue(p))]);
  }
}

#if defined(KORVALIS_BYTE_PERMUTE)

#define KORVALIS_PERMUTE_TARGET __attribute__((target("avx512f,avx512bw,avx512vbmi")))

/// A 256-entry table as four registers of 64 entries.
struct WideTable {
  __m512i part[4];
};

KORVALIS_PERMUTE_TARGET WideTable wideTable(const ChannelTable& table) {
  WideTable wide{};
  for (std::size_t i = 0; i < 4; ++i) {
    wide.part[i] = _mm512_loadu_si512(table.data() + 64 * i);
  }
  return wide;
}

/// Looks up all 64 bytes of `x`: two permutes cover the entries below and above 128 (by the
/// low seven bits), the top bit picks between them.
KORVALIS_PERMUTE_TARGET inline __m512i lookUp(__m512i x, const WideTable& t) {
  const __m512i low = _mm512_permutex2var_epi8(t.part[0], x, t.part[1]);
  const __m512i high = _mm512_permutex2var_epi8(t.part[2], x, t.part[3]);
  return _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), low, high);
}

/// Byte lanes of the channels in 16 pixel words (blue is the lowest byte of each word).
constexpr __mmask64 kBlueLanes = 0x1111111111111111ULL;
constexpr __mmask64 kGreenLanes = kBlueLanes << 1;
constexpr __mmask64 kRedLanes = kBlueLanes << 2;

KORVALIS_PERMUTE_TARGET void mapByPermutes(std::span<std::uint32_t> pixels, const ChannelTable& red,
                                           const ChannelTable& green, const ChannelTable& blue) {
  constexpr std::size_t kPerVector = 16;
  const std::size_t whole = pixels.size() / kPerVector * kPerVector;
  std::uint32_t* data = pixels.data();
  if (red == green && green == blue) {
    const WideTable t = wideTable(red);
    const __m512i colour = _mm512_set1_epi32(0x00FFFFFF);
    for (std::size_t i = 0; i < whole; i += kPerVector) {
      const __m512i x = _mm512_loadu_si512(data + i);
      _mm512_storeu_si512(data + i, _mm512_and_si512(lookUp(x, t), colour));
    }
  } else {
    const WideTable r = wideTable(red);
    const WideTable g = wideTable(green);
    const WideTable b = wideTable(blue);
    for (std::size_t i = 0; i < whole; i += kPerVector) {
      const __m512i x = _mm512_loadu_si512(data + i);
      __m512i out = _mm512_maskz_mov_epi8(kBlueLanes, lookUp(x, b));
      out = _mm512_mask_mov_epi8(out, kGreenLanes, lookUp(x, g));
      out = _mm512_mask_mov_epi8(out, kRedLanes, lookUp(x, r));
      _mm512_storeu_si512(data + i, out);
    }
  }
  mapOneByOne(pixels.subspan(whole), red, green, blue);
}

bool haveBytePermutes() {
  static const bool have = __builtin_cpu_supports("avx512f") &&
                           __builtin_cpu_supports("avx512bw") &&
                           __builtin_cpu_supports("avx512vbmi");
  return have;
}

#endif

}  // namespace

void mapChannels(std::span<std::uint32_t> pixels, const ChannelTable& red,
                 const ChannelTable& green, const ChannelTable& blue) {
#if defined(KORVALIS_BYTE_PERMUTE)
  if (haveBytePermutes()) {
    mapByPermutes(pixels, red, green, blue);
    return;
  }
#endif
  mapOneByOne(pixels, red, green, blue);
}

}  // namespace korvalis
