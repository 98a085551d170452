// BMP reading and writing. The reader checks every offset against the data it was given.
#include <array>
#include <bit>
#include <string>

#include "viewer/codec_formats.h"
#include "viewer/palette.h"

namespace korvalis {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;

std::uint32_t readLe(std::span<const std::uint8_t> b, std::size_t at, int size) {
  std::uint32_t v = 0;
  for (int i = size - 1; i >= 0; --i) {
    v = (v << 8) | b[at + static_cast<std::size_t>(i)];
  }
  return v;
}

/// The parts of the headers the pixel reader needs.
struct BmpLayout {
  std::int64_t width = 0;
  std::int64_t height = 0;
  bool topDown = false;
  int bitCount = 0;
  std::uint32_t compression = kBiRgb;
  std::array<std::uint32_t, 3> masks{};  // red, green, blue for 16 and 32 bits
  std::vector<std::uint32_t> palette;
  std::size_t pixelOffset = 0;
};

/// A channel taken out of a pixel value by its mask and widened to 0..255.
int maskedChannel(std::uint32_t value, std::uint32_t mask) {
  if (mask == 0) {
    return 0;
  }
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  const std::uint32_t raw = (value & mask) >> shift;
  const std::uint32_t max = bits >= 32 ? 0xFFFFFFFFU : (1U << bits) - 1;
  return static_cast<int>((static_cast<std::uint64_t>(raw) * 255 + max / 2) / max);
}

std::string readLayout(std::span<const std::uint8_t> b, BmpLayout& layout) {
  if (b.size() < kFileHeaderSize + 12 || b[0] != 'B' || b[1] != 'M') {
    return "not a BMP file";
  }
  layout.pixelOffset = readLe(b, 10, 4);
  const std::size_t infoSize = readLe(b, 14, 4);
  if (infoSize < 12 || kFileHeaderSize + infoSize > b.size()) {
    return "damaged header";
  }
  if (infoSize == 12) {
    layout.width = readLe(b, 18, 2);
    layout.height = readLe(b, 20, 2);
    layout.bitCount = static_cast<int>(readLe(b, 24, 2));
  } else if (infoSize >= 40) {
    layout.width = static_cast<std::int32_t>(readLe(b, 18, 4));
    layout.height = static_cast<std::int32_t>(readLe(b, 22, 4));
    layout.bitCount = static_cast<int>(readLe(b, 28, 2));
    layout.compression = readLe(b, 30, 4);
  } else {
    return "unknown header size";
  }
  if (layout.height < 0) {
    layout.topDown = true;
    layout.height = -layout.height;
  }
  if (!acceptableSize(layout.width, layout.height)) {
    return "missing or too large image size";
  }
  const int bpp = layout.bitCount;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) {
    return "unsupported colour depth " + std::to_string(bpp);
  }
  const bool bitfields = layout.compression == kBiBitfields && (bpp == 16 || bpp == 32);
  if (layout.compression != kBiRgb && !bitfields) {
    return "compressed BMP files are not supported";
  }
  if (bitfields) {
    // The masks follow a 40-byte header or are part of the longer ones.
    if (kFileHeaderSize + 40 + 12 > b.size()) {
      return "damaged header";
    }
    for (std::size_t i = 0; i < 3; ++i) {
      layout.masks[i] = readLe(b, kFileHeaderSize + 40 + 4 * i, 4);
    }
  } else if (bpp == 16) {
    layout.masks = {0x7C00, 0x03E0, 0x001F};
  } else if (bpp == 32) {
    layout.masks = {0xFF0000, 0xFF00, 0xFF};
  }
  if (bpp <= 8) {
    const std::size_t entrySize = infoSize == 12 ? 3 : 4;
    std::size_t count = infoSize >= 40 ? readLe(b, 46, 4) : 0;
    if (count == 0 || count > (1U << bpp)) {
      count = 1U << bpp;
    }
    std::size_t at = kFileHeaderSize + infoSize + (bitfields ? 12 : 0);
    for (std::size_t i = 0; i < count && at + 3 <= b.size() && at + 3 <= layout.pixelOffset;
         ++i, at += entrySize) {
      layout.palette.push_back(makePixel(b[at + 2], b[at + 1], b[at]));
    }
    if (layout.palette.empty()) {
      return "missing colour table";
    }
  }
  return {};
}

std::size_t rowStride(std::int64_t width, int bitCount) {
  return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bitCount) + 31) / 32) * 4;
}

void readRow(const std::uint8_t* in, const BmpLayout& layout, std::uint32_t* out) {
  const int width = static_cast<int>(layout.width);
  const int bpp = layout.bitCount;
  for (int x = 0; x < width; ++x) {
    if (bpp <= 8) {
      const int perByte = 8 / bpp;
      const int shift = 8 - bpp * (x % perByte + 1);
      const std::size_t index = (in[x / perByte] >> shift) & ((1U << bpp) - 1);
      // An index beyond the colour table is shown black rather than read out of bounds.
      out[x] = index < layout.palette.size() ? layout.palette[index] : 0U;
    } else if (bpp == 24) {
      out[x] = makePixel(in[3 * x + 2], in[3 * x + 1], in[3 * x]);
    } else {
      const int size = bpp / 8;
      std::uint32_t v = 0;
      for (int i = size - 1; i >= 0; --i) {
        v = (v << 8) | in[size * x + i];
      }
      out[x] = makePixel(maskedChannel(v, layout.masks[0]), maskedChannel(v, layout.masks[1]),
                         maskedChannel(v, layout.masks[2]));
    }
  }
}

}  // namespace

DecodeResult decodeBmp(std::span<const std::uint8_t> bytes) {
  DecodeResult result;
  BmpLayout layout;
  if (std::string problem = readLayout(bytes, layout); !problem.empty()) {
    result.error = "BMP: " + problem;
    return result;
  }
  const std::size_t stride = rowStride(layout.width, layout.bitCount);
  const auto height = static_cast<std::size_t>(layout.height);
  if (layout.pixelOffset > bytes.size() || (bytes.size() - layout.pixelOffset) / stride < height) {
    result.error = "BMP: the pixel data ends early";
    return result;
  }
  Image image(static_cast<int>(layout.width), static_cast<int>(layout.height));
  if (image.isNull()) {
    result.error = "BMP: out of memory";
    return result;
  }
  for (std::size_t y = 0; y < height; ++y) {
    const std::size_t fileRow = layout.topDown ? y : height - 1 - y;
    readRow(bytes.data() + layout.pixelOffset + fileRow * stride, layout,
            image.row(static_cast<int>(y)));
  }
  result.image = std::move(image);
  return result;
}

namespace {

void putLe(std::vector<std::uint8_t>& out, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) {
    out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }
}

}  // namespace

std::optional<std::vector<std::uint8_t>> encodeBmp(const Image& image, int depth) {
  if (image.isNull() || (depth != 1 && depth != 4 && depth != 8 && depth != 24)) {
    return std::nullopt;
  }
  const IndexedImage indexed = depth == 24 ? IndexedImage{} : reduceColours(image, depth);
  const std::size_t stride = rowStride(image.width(), depth);
  const std::size_t paletteBytes = indexed.palette.size() * 4;
  const std::size_t offset = kFileHeaderSize + 40 + paletteBytes;
  const std::uint64_t fileSize = offset + stride * static_cast<std::size_t>(image.height());
  if (fileSize > 0xFFFFFFFFU) {
    return std::nullopt;  // the format's size fields are 32 bits
  }
  std::vector<std::uint8_t> out;
  out.reserve(fileSize);
  out.push_back('B');
  out.push_back('M');
  putLe(out, static_cast<std::uint32_t>(fileSize), 4);
  putLe(out, 0, 4);
  putLe(out, static_cast<std::uint32_t>(offset), 4);
  putLe(out, 40, 4);
  putLe(out, static_cast<std::uint32_t>(image.width()), 4);
  putLe(out, static_cast<std::uint32_t>(image.height()), 4);  // bottom-up rows
  putLe(out, 1, 2);
  putLe(out, static_cast<std::uint32_t>(depth), 2);
  putLe(out, kBiRgb, 4);
  putLe(out, static_cast<std::uint32_t>(stride * static_cast<std::size_t>(image.height())), 4);
  putLe(out, 3780, 4);  // 96 dpi
  putLe(out, 3780, 4);
  putLe(out, static_cast<std::uint32_t>(indexed.palette.size()), 4);
  putLe(out, 0, 4);
  for (const std::uint32_t c : indexed.palette) {
    putLe(out, c & 0x00FFFFFFU, 4);  // blue, green, red, 0
  }
  std::vector<std::uint8_t> row(stride);
  for (int y = image.height() - 1; y >= 0; --y) {
    std::fill(row.begin(), row.end(), std::uint8_t{0});
    if (depth == 24) {
      const std::uint32_t* in = image.row(y);
      for (int x = 0; x < image.width(); ++x) {
        row[3 * x] = static_cast<std::uint8_t>(pixelBlue(in[x]));
        row[3 * x + 1] = static_cast<std::uint8_t>(pixelGreen(in[x]));
        row[3 * x + 2] = static_cast<std::uint8_t>(pixelRed(in[x]));
      }
    } else {
      packIndexRow(indexed.indices.data() + static_cast<std::size_t>(y) * image.width(),
                   image.width(), depth, row.data());
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace korvalis
