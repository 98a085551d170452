// PNG reading (libpng's simplified reader) and writing at 1, 4, 8 or 24 bits per pixel.
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <memory>
#include <string>

#include "viewer/codec_formats.h"
#include "viewer/palette.h"

namespace korvalis {
namespace {

/// False when a chunk claims more bytes than the data holds. libpng allocates a chunk's
/// stated length before it reads the chunk, so a damaged length in a small file would
/// otherwise ask for gigabytes; such a file is refused before libpng sees it.
bool chunkLengthsWithinData(std::span<const std::uint8_t> bytes) {
  constexpr std::size_t kSignature = 8;
  constexpr std::size_t kChunkOverhead = 12;  // length, type, CRC
  std::size_t offset = kSignature;
  while (bytes.size() - offset >= 8) {
    const std::uint32_t length = (std::uint32_t{bytes[offset]} << 24) |
                                 (std::uint32_t{bytes[offset + 1]} << 16) |
                                 (std::uint32_t{bytes[offset + 2]} << 8) | bytes[offset + 3];
    if (length > bytes.size() - offset - 8) {
      return false;
    }
    if (std::memcmp(bytes.data() + offset + 4, "IEND", 4) == 0) {
      return true;
    }
    offset += 8 + length;
    if (bytes.size() - offset < kChunkOverhead - 8) {
      break;  // no room for the CRC: libpng reports the damage itself
    }
    offset += kChunkOverhead - 8;
  }
  return true;
}

}  // namespace

DecodeResult decodePng(std::span<const std::uint8_t> bytes) {
  DecodeResult result;
  if (bytes.size() >= 8 && !chunkLengthsWithinData(bytes)) {
    result.error = "PNG: a chunk runs past the end of the file";
    return result;
  }
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_memory(&png, bytes.data(), bytes.size()) == 0) {
    result.error = std::string("PNG: ") + png.message;
    return result;
  }
  const bool hasAlpha = (png.format & PNG_FORMAT_FLAG_ALPHA) != 0;
  if (!acceptableSize(png.width, png.height)) {
    png_image_free(&png);
    result.error = "PNG: image too large";
    return result;
  }
  Image image(static_cast<int>(png.width), static_cast<int>(png.height));
  if (image.isNull()) {
    png_image_free(&png);
    result.error = "PNG: out of memory";
    return result;
  }
  png.format = PNG_FORMAT_BGRA;
  if (png_image_finish_read(&png, nullptr, image.pixels().data(), 0, nullptr) == 0) {
    result.error = std::string("PNG: ") + png.message;
    png_image_free(&png);
    return result;
  }
  if (hasAlpha) {
    // The page is shown on white: transparent parts become white.
    for (std::uint32_t& p : image.pixels()) {
      const int a = static_cast<int>(p >> 24);
      const auto over = [a](int c) { return (c * a + 255 * (255 - a) + 127) / 255; };
      p = makePixel(over(pixelRed(p)), over(pixelGreen(p)), over(pixelBlue(p))) | 0xFF000000U;
    }
  }
  result.image = std::move(image);
  return result;
}

namespace {

struct PngWriter {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<std::uint8_t> out;
  ~PngWriter() { png_destroy_write_struct(&png, &info); }
};

void appendData(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void noFlush(png_structp) {}

/// Rows of the file as packed bytes, made before libpng starts so no C++ allocation happens
/// between setjmp and a possible longjmp.
std::vector<std::uint8_t> fileRows(const Image& image, int depth, const IndexedImage& indexed,
                                   std::size_t stride) {
  std::vector<std::uint8_t> rows(stride * static_cast<std::size_t>(image.height()));
  for (int y = 0; y < image.height(); ++y) {
    std::uint8_t* out = rows.data() + stride * static_cast<std::size_t>(y);
    if (depth == 24) {
      const std::uint32_t* in = image.row(y);
      for (int x = 0; x < image.width(); ++x) {
        out[3 * x] = static_cast<std::uint8_t>(pixelRed(in[x]));
        out[3 * x + 1] = static_cast<std::uint8_t>(pixelGreen(in[x]));
        out[3 * x + 2] = static_cast<std::uint8_t>(pixelBlue(in[x]));
      }
    } else {
      packIndexRow(indexed.indices.data() + static_cast<std::size_t>(y) * image.width(),
                   image.width(), depth, out);
    }
  }
  return rows;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> encodePng(const Image& image, int depth) {
  if (image.isNull() || (depth != 1 && depth != 4 && depth != 8 && depth != 24)) {
    return std::nullopt;
  }
  const IndexedImage indexed = depth == 24 ? IndexedImage{} : reduceColours(image, depth);
  const std::size_t stride = depth == 24
                                 ? static_cast<std::size_t>(image.width()) * 3
                                 : (static_cast<std::size_t>(image.width()) * depth + 7) / 8;
  std::vector<std::uint8_t> rows = fileRows(image, depth, indexed, stride);
  std::vector<png_bytep> rowPointers(static_cast<std::size_t>(image.height()));
  for (std::size_t y = 0; y < rowPointers.size(); ++y) {
    rowPointers[y] = rows.data() + stride * y;
  }
  std::vector<png_color> palette;
  for (const std::uint32_t c : indexed.palette) {
    palette.push_back(png_color{static_cast<png_byte>(pixelRed(c)),
                                static_cast<png_byte>(pixelGreen(c)),
                                static_cast<png_byte>(pixelBlue(c))});
  }
  const auto writer = std::make_unique<PngWriter>();
  writer->out.reserve(stride * rowPointers.size() / 2 + 1024);
  writer->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (writer->png == nullptr) {
    return std::nullopt;
  }
  writer->info = png_create_info_struct(writer->png);
  if (writer->info == nullptr || setjmp(png_jmpbuf(writer->png)) != 0) {
    return std::nullopt;
  }
  png_set_write_fn(writer->png, &writer->out, appendData, noFlush);
  png_set_IHDR(writer->png, writer->info, static_cast<png_uint_32>(image.width()),
               static_cast<png_uint_32>(image.height()), depth == 24 ? 8 : depth,
               depth == 24 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (depth != 24) {
    png_set_PLTE(writer->png, writer->info, palette.data(), static_cast<int>(palette.size()));
  }
  png_set_rows(writer->png, writer->info, rowPointers.data());
  png_write_png(writer->png, writer->info, PNG_TRANSFORM_IDENTITY, nullptr);
  return std::move(writer->out);
}

}  // namespace korvalis
