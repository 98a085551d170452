#include "pdf/detail/pdf_image_parsers.h"

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

JpegHeader parseJpegHeader(PdfImage& image, std::span<const std::uint8_t> d, bool complete) {
  const JpegHeader cutOff = complete ? JpegHeader::Damaged : JpegHeader::NeedMore;
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
      return JpegHeader::Damaged;
    } else if (m == 0xC0 || m == 0xC1 || m == 0xC2) {
      if (p + 10 > d.size())
        return cutOff;  // frame header cut off
      image.bitsPerComponent = d[p + 4];
      image.height = static_cast<std::int32_t>(be16(d, p + 5));
      image.width = static_cast<std::int32_t>(be16(d, p + 7));
      const int components = d[p + 9];
      image.colourSpace = components == 1   ? "DeviceGray"
                          : components == 3 ? "DeviceRGB"
                                            : "DeviceCMYK";
      return JpegHeader::Found;
    } else if (isSkippedSegment(m)) {
      if (p + 4 > d.size())
        return cutOff;
      const std::size_t length = be16(d, p + 2);
      if (length < 2)
        return JpegHeader::Damaged;
      if (p + 2 + length > d.size())
        return cutOff;  // segment runs past the end
      p += 2 + length;
    } else {
      ++p;
    }
  }
  return cutOff;
}

PdfError parsePng(PdfImage& image, std::span<const std::uint8_t> d) {
  if (d.size() < 33)
    return PdfError::PngIncorrect;
  image.width = static_cast<std::int32_t>(be32(d, 16));
  image.height = static_cast<std::int32_t>(be32(d, 20));
  image.bitsPerComponent = d[24];
  if (image.bitsPerComponent > 8)
    return PdfError::Png16Bit;
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
      return PdfError::PngAlpha;
  }
  if (image.width <= 0 || image.height <= 0)
    return PdfError::PngIncorrect;
  image.decodeParms = "/DecodeParms <</Predictor 15 /Colors " + std::to_string(colours) +
                      " /BitsPerComponent " + std::to_string(image.bitsPerComponent) +
                      " /Columns " + std::to_string(image.width) + ">>";
  if (d[26] != 0)
    return PdfError::PngCompression;
  if (d[27] != 0)
    return PdfError::PngFilter;
  if (d[28] != 0)
    return PdfError::PngInterlaced;
  const bool indexed = image.colourSpace == "Indexed";
  int palettes = 0;
  std::size_t p = 33;
  while (p + 8 <= d.size()) {
    const std::size_t length = be32(d, p);
    if (length == 0)
      break;  // IEND, or the end of what can be read
    if (length > d.size() - p - 8)
      return PdfError::PngIncorrect;  // chunk runs past the end
    const std::string_view type(reinterpret_cast<const char*>(d.data() + p + 4), 4);
    const auto data = d.subspan(p + 8, length);
    if (type == "PLTE") {
      // One palette of 1 to 256 RGB entries; a suggested palette of a true-colour image is
      // not needed.
      if (++palettes > 1 || length == 0 || length % 3 != 0 || length > 768)
        return PdfError::PngIncorrect;
      if (indexed && !image.palette.append(data))
        return PdfError::OutOfMemory;
    } else if (type == "IDAT") {
      if (!image.imageData.append(data))
        return PdfError::OutOfMemory;
    } else if (type == "IEND") {
      break;
    }
    p += length + 12;
  }
  if (indexed && image.palette.length == 0) {
    image.palette.release();
    image.imageData.release();
    return PdfError::PngPalette;
  }
  if (image.imageData.length == 0)
    return PdfError::PngIncorrect;  // no image data
  return PdfError::None;
}

}  // namespace korvalis
