#include "tools/archive_server/page_image.h"

#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "tools/archive_server/catalogue.h"

namespace archive_server {

namespace {
constexpr std::size_t kMaxSegment = 65533;
/// SOI (2), JFIF header (18), comment marker and length (4) and the 25 identity bytes.
constexpr std::size_t kIdentityEnd = 49;

/// Rows of a 5 x 7 bitmap font (bit 4 is the left column) for the page label.
struct Glyph {
  char c;
  std::array<unsigned char, 7> rows;
};
constexpr std::array<Glyph, 17> kGlyphs = {{
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
}};

/// A grey picture, one byte a pixel.
struct Canvas {
  int width;
  int height;
  std::vector<unsigned char> pixels;

  void fill(int x0, int y0, int w, int h, unsigned char ink) {
    for (int y = std::max(0, y0); y < std::min(height, y0 + h); ++y) {
      for (int x = std::max(0, x0); x < std::min(width, x0 + w); ++x) {
        pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
               static_cast<std::size_t>(x)] = ink;
      }
    }
  }

  /// Writes `text` with its top-left corner at (x, y), each font dot `dot` pixels wide;
  /// characters without a glyph leave a gap.
  void write(std::string_view text, int x, int y, int dot) {
    for (const char c : text) {
      const auto glyph =
          std::find_if(kGlyphs.begin(), kGlyphs.end(), [c](const Glyph& g) { return g.c == c; });
      if (glyph != kGlyphs.end()) {
        for (int row = 0; row < 7; ++row) {
          for (int column = 0; column < 5; ++column) {
            if ((glyph->rows[static_cast<std::size_t>(row)] >> (4 - column) & 1) != 0) {
              fill(x + column * dot, y + row * dot, dot, dot, 20);
            }
          }
        }
      }
      x += 6 * dot;
    }
  }
};

/// A page that shows which film and page it is: light stripes that depend on the page, a
/// frame, a filled corner mark at the top left (so a turned page shows which way it turned),
/// and the film and page number written large.
Canvas drawPage(const std::string& id, int page, int width, int height) {
  Canvas canvas{width, height,
                std::vector<unsigned char>(static_cast<std::size_t>(width) *
                                           static_cast<std::size_t>(height))};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int ink = ((x / 12 + y / 16 + page) % 7 == 0) ? 200 : 240;
      canvas.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                    static_cast<std::size_t>(x)] = static_cast<unsigned char>(ink - (y % 5));
    }
  }
  const int edge = std::max(2, std::min(width, height) / 100);
  canvas.fill(0, 0, width, edge, 40);
  canvas.fill(0, height - edge, width, edge, 40);
  canvas.fill(0, 0, edge, height, 40);
  canvas.fill(width - edge, 0, edge, height, 40);
  const int mark = std::min(width, height) / 8;
  for (int y = 0; y < mark; ++y) {
    canvas.fill(edge, edge + y, mark - y, 1, 60);
  }
  const int dot = std::max(1, width / 120);
  const int left = edge + mark + 2 * dot;
  canvas.write("FILM " + id, left, edge + 2 * dot, dot);
  canvas.write("SEITE " + pageDigits(page), left, edge + 12 * dot, dot);
  return canvas;
}
}  // namespace

std::string makePageJpeg(const std::string& id, int page, int width, int height,
                         std::size_t padTo) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 1;
  info.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 80, TRUE);
  jpeg_start_compress(&info, TRUE);

  // The JFIF header ends at byte 20; the comment marker and length take 20-23.
  char identity[32];
  std::snprintf(identity, sizeof identity, "film %7.7s  fram  %s", id.substr(id.size() - 7).c_str(),
                pageDigits(page).c_str());
  jpeg_write_marker(&info, JPEG_COM, reinterpret_cast<const JOCTET*>(identity), 25);
  Canvas canvas = drawPage(id, page, width, height);
  while (info.next_scanline < info.image_height) {
    JSAMPROW rows[1] = {canvas.pixels.data() + static_cast<std::size_t>(info.next_scanline) *
                                                   static_cast<std::size_t>(width)};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  std::string bytes(reinterpret_cast<const char*>(buffer), size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  // Padding: application segments (skipped by every decoder) right after the comment.
  std::string padding;
  while (bytes.size() + padding.size() < padTo) {
    const std::size_t part =
        std::min(kMaxSegment, std::max<std::size_t>(1, padTo - bytes.size() - padding.size()));
    padding += "\xFF\xEF";
    padding += static_cast<char>((part + 2) >> 8);
    padding += static_cast<char>((part + 2) & 0xFF);
    padding.append(part, ' ');
  }
  bytes.insert(kIdentityEnd, padding);
  return bytes;
}

}  // namespace archive_server
