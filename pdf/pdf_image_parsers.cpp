#include "pdf/pdf_image_parsers.h"

namespace korvalis {

namespace {

std::uint32_t be16(std::span<const std::uint8_t> d, std::size_t p) {
  return static_cast<std::uint32_t>(d[p] << 8 | d[p + 1]);
}

std::uint32_t be32(std::span<const std::uint8_t> d, std::size_t p) {
  return static_cast<std::uint32_t>(d[p]) << 24 | static_cast<std::uint32_t>(d[p + 1]) << 16 |
         static_cast<std::uint32_t>(d[p + 2]) << 8 | d[p + 3];
}

bool isSkippedSegment(std::uint8_t m) {
  return (m >= 0xE0 && m <= 0xEF) || m == 0xC3 || (m >= 0xC5 && m <= 0xCB) ||
         (m >= 0xCD && m <= 0xCF) || m == 0xC4 || m == 0xCC || m == 0xDB || m == 0xFE || m == 0xDA;
}

}  // namespace

int parseJpeg(PdfImage& image, PdfBuffer&& file) {
  const auto d = file.bytes();
  std::size_t p = 0;
  while (p + 1 < d.size()) {
    if (d[p] != 0xFF) {
      ++p;
      continue;
    }
    const std::uint8_t m = d[p + 1];
    if (m == 0xD8) {
      p += 2;
    } else if (m == 0xD9) {
      break;
    } else if (m == 0xC0 || m == 0xC1 || m == 0xC2) {
      if (p + 10 > d.size())
        return 11;  // frame header cut off
      image.bitsPerComponent = d[p + 4];
      image.height = static_cast<std::int32_t>(be16(d, p + 5));
      image.width = static_cast<std::int32_t>(be16(d, p + 7));
      const int components = d[p + 9];
      image.colourSpace = components == 1   ? "DeviceGray"
                          : components == 3 ? "DeviceRGB"
                                            : "DeviceCMYK";
      image.imageData = std::move(file);
      return 0;
    } else if (isSkippedSegment(m)) {
      p += 2;
      if (p + 2 > d.size())
        return 11;
      const std::size_t length = be16(d, p);
      if (length < 2 || p + length > d.size())
        return 11;  // segment runs past the end
      p += length;
    } else {
      ++p;
    }
  }
  return 11;
}

int parsePng(PdfImage& image, const PdfBuffer& file) {
  const auto d = file.bytes();
  if (d.size() < 33)
    return 12;
  image.width = static_cast<std::int32_t>(be32(d, 16));
  image.height = static_cast<std::int32_t>(be32(d, 20));
  image.bitsPerComponent = d[24];
  if (image.bitsPerComponent > 8)
    return 1;
  int colours = 0;
  switch (d[25]) {
    case 0:
      image.colourSpace = "DeviceGray";
      colours = 1;
      break;
    case 2:
      image.colourSpace = "DeviceRGB";
      colours = 3;
      break;
    case 3:
      image.colourSpace = "Indexed";
      colours = 1;
      break;
    default:
      return 2;
  }
  if (image.width <= 0 || image.height <= 0)
    return 12;
  image.decodeParms = "/DecodeParms <</Predictor 15 /Colors " + std::to_string(colours) +
                      " /BitsPerComponent " + std::to_string(image.bitsPerComponent) +
                      " /Columns " + std::to_string(image.width) + ">>";
  if (d[26] != 0)
    return 3;
  if (d[27] != 0)
    return 4;
  if (d[28] != 0)
    return 5;
  std::size_t p = 33;
  while (p + 8 <= d.size()) {
    const std::size_t length = be32(d, p);
    if (length == 0)
      break;
    if (length > d.size() - p - 8)
      return 12;  // chunk runs past the end
    const std::string_view type(reinterpret_cast<const char*>(d.data() + p + 4), 4);
    const auto data = d.subspan(p + 8, length);
    if (type == "PLTE") {
      if (!image.palette.append(data))
        return 18;
    } else if (type == "IDAT") {
      if (!image.imageData.append(data))
        return 18;
    } else if (type == "IEND") {
      break;
    }
    p += length + 12;
  }
  if (image.colourSpace == "Indexed" && image.palette.length == 0) {
    image.palette.release();
    image.imageData.release();
    return 6;
  }
  return 0;
}

}  // namespace korvalis
