#include "tools/archive_server/page_image.h"

#include <jpeglib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tools/archive_server/catalogue.h"

namespace archive_server {

namespace {
constexpr std::size_t kMaxSegment = 65533;
/// SOI (2), JFIF header (18), comment marker and length (4) and the 25 identity bytes.
constexpr std::size_t kIdentityEnd = 49;

/// Stripes that depend on the page, so different pages give different pictures.
void fillRow(std::vector<unsigned char>& row, int y, int page) {
  for (std::size_t x = 0; x < row.size(); ++x) {
    const int ink = ((static_cast<int>(x) / 12 + y / 16 + page) % 7 == 0) ? 60 : 230;
    row[x] = static_cast<unsigned char>(ink - (y % 5));
  }
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
  std::vector<unsigned char> row(static_cast<std::size_t>(width));
  while (info.next_scanline < info.image_height) {
    fillRow(row, static_cast<int>(info.next_scanline), page);
    JSAMPROW rows[1] = {row.data()};
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
