#include "pdf/pdf_images.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <tuple>
#include <utility>

#include "pdf/detail/output.h"
#include "pdf/detail/pdf_image_parsers.h"
#include "pdf/metafile/metafile_image.h"
#include "platform/file_io.h"

namespace korvalis {

namespace {

constexpr std::size_t kHeaderChunk = 64 * 1024;

bool startsWith(std::span<const std::uint8_t> d, std::initializer_list<std::uint8_t> prefix) {
  return d.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), d.begin());
}

bool isJfif(std::span<const std::uint8_t> d) {
  return startsWith(d, {0xFF, 0xD8, 0xFF, 0xE0});
}

PdfError readError(ReadError error) {
  switch (error) {
    case ReadError::TooLarge:
      return PdfError::OutOfMemory;
    case ReadError::ReadFailed:
      return PdfError::ImageRead;
    default:
      return PdfError::ImageOpen;
  }
}

/// A JPEG file stays where it is: only its header is read now, the data when the document is
/// saved.
PdfError loadJpegFile(PdfImage& image, std::ifstream& in, std::int64_t size) {
  std::vector<std::uint8_t> head;
  for (std::size_t want = kHeaderChunk;; want *= 4) {
    const auto length = static_cast<std::size_t>(std::min<std::int64_t>(size, want));
    head.resize(length);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(length));
    if (static_cast<std::size_t>(in.gcount()) != length)
      return PdfError::ImageRead;
    const bool complete = static_cast<std::int64_t>(length) == size;
    switch (parseJpegHeader(image, head, complete)) {
      case JpegHeader::Found:
        image.filter = "DCTDecode";
        image.external = PdfExternalData{{}, image.name, size};
        return PdfError::None;
      case JpegHeader::Damaged:
        return PdfError::NotJpeg;
      case JpegHeader::NeedMore:
        break;
    }
  }
}

PdfError loadImageBytes(PdfDocument& doc, PdfImage& image, std::span<const std::uint8_t> d,
                        bool borrowed) {
  if (isJfif(d)) {
    if (parseJpegHeader(image, d, true) != JpegHeader::Found)
      return PdfError::NotJpeg;
    image.filter = "DCTDecode";
    if (borrowed) {
      image.external = PdfExternalData{d, {}, static_cast<std::int64_t>(d.size())};
    } else if (!image.imageData.append(d)) {
      return PdfError::OutOfMemory;
    }
    return PdfError::None;
  }
  if (startsWith(d, {0x89, 0x50, 0x4E, 0x47})) {
    if (d.size() < 16 ||
        std::string_view(reinterpret_cast<const char*>(d.data() + 12), 4) != "IHDR")
      return PdfError::PngIncorrect;
    image.filter = "FlateDecode";
    return parsePng(image, d);
  }
  if (startsWith(d, {0xD7, 0xCD, 0xC6, 0x9A})) {
    image.filter = "WMF";
    if (!image.imageData.append(d))
      return PdfError::OutOfMemory;
    return convertMetafileImage(image, doc.scale) ? PdfError::None : PdfError::Metafile;
  }
  return PdfError::UnknownImage;
}

/// Reads the image from the caller's block or from the file `name`.
PdfError loadImage(PdfDocument& doc, PdfImage& image) {
  if (image.sourceData != nullptr) {
    if (image.sourceSize <= 0)
      return PdfError::ImageOpen;
    return loadImageBytes(
        doc, image, std::span(image.sourceData, static_cast<std::size_t>(image.sourceSize)), true);
  }
  std::error_code error;
  const auto size = std::filesystem::file_size(image.name, error);
  std::ifstream in(image.name, std::ios::binary);
  if (error || !in)
    return PdfError::ImageOpen;
  std::array<std::uint8_t, 4> signature{};
  in.read(reinterpret_cast<char*>(signature.data()), signature.size());
  if (in.gcount() == static_cast<std::streamsize>(signature.size()) && isJfif(signature))
    return loadJpegFile(image, in, static_cast<std::int64_t>(size));
  ReadError readFailure = ReadError::None;
  const auto bytes =
      readWholeFileBytes(image.name, static_cast<std::uint64_t>(doc.maxFileSize), &readFailure);
  if (!bytes)
    return readError(readFailure);
  return loadImageBytes(doc, image, *bytes, false);
}

/// The size a raster image is drawn at (user units): a missing side follows the image's
/// proportions; without both, the image's pixels count as points.
std::pair<float, float> rasterSize(const PdfDocument& doc, const PdfImage& image, float w,
                                   float h) {
  if (w == 0 && h == 0) {
    w = static_cast<float>(image.width) / doc.scale;
    h = static_cast<float>(image.height) / doc.scale;
  }
  if (w == 0 && image.height != 0)
    w = h * static_cast<float>(image.width) / static_cast<float>(image.height);
  if (h == 0 && image.width != 0)
    h = w * static_cast<float>(image.height) / static_cast<float>(image.width);
  return {w, h};
}

/// "q a 0 0 d e f cm /Name Do Q" with the numbers in `decimals` digits; nothing when one of
/// them cannot be written.
std::optional<std::string> placementLine(std::array<double, 4> numbers, int decimals,
                                         std::string_view name) {
  std::string line = "q ";
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    const auto text = formatNumber(numbers[i], decimals);
    if (!text)
      return std::nullopt;
    line += *text + (i == 0 ? " 0 0 " : " ");
  }
  return line + "cm " + std::string(name) + " Do Q";
}

std::optional<std::string> rasterLine(const PdfDocument& doc, const PdfImage& image, float x,
                                      float y, float w, float h) {
  const double s = doc.scale;
  return placementLine({w * s, h * s, x * s, (doc.pageHeight - (y + h)) * s}, 2,
                       "/I" + std::to_string(image.index));
}

/// The size a metafile form is drawn at (user units): a missing side follows the form's
/// proportions; without both, the box counts in twips.
std::pair<float, float> formSize(const PdfDocument& doc, const PdfImage& image, float w, float h) {
  if (image.width == 0 || image.height == 0)
    return {w, h};
  const double width = image.width, height = image.height, s = doc.scale;
  double fw = w, fh = h;
  if (fw == 0 && fh == 0) {
    fw = std::fabs(width / (s * 20));
    fh = std::fabs(height / (s * 20));
  }
  if (fw == 0)
    fw = std::fabs(fh * width / height);
  if (fh == 0)
    fh = std::fabs(fw * height / width);
  return {static_cast<float>(fw), static_cast<float>(fh)};
}

std::optional<std::string> formLine(const PdfDocument& doc, const PdfImage& image, float x, float y,
                                    float fw, float fh) {
  if (image.width == 0 || image.height == 0)
    return std::nullopt;
  const double width = image.width, height = image.height, s = doc.scale;
  const double sx = fw * s / width, sy = -fh * s / height;
  return placementLine(
      {sx, sy, x * s - sx * image.boxX, (doc.pageHeight - y) * s - sy * image.boxY}, 6,
      "/FO" + std::to_string(image.index));
}

}  // namespace

int placeImage(PdfDocument& doc, std::string_view name, const std::uint8_t* data, std::int32_t size,
               float x, float y, float w, float h, int link) {
  if (doc.state != 2 || doc.pages.empty()) {
    doc.lastError = PdfError::NoPage;
    return 0;
  }
  auto found = std::ranges::find_if(doc.images, [&](const PdfImage& i) { return i.name == name; });
  PdfImage loaded;
  if (found == doc.images.end()) {
    loaded.name = name;
    loaded.sourceData = data;
    loaded.sourceSize = size;
    loaded.index = static_cast<std::int32_t>(doc.images.size()) + 1;
    if (const PdfError error = loadImage(doc, loaded); error != PdfError::None) {
      doc.lastError = error;
      return 0;
    }
  }
  const PdfImage& image = found == doc.images.end() ? loaded : *found;
  // The drawn size, also the size of the link area over the image.
  const bool form = image.filter == "WMF";
  std::tie(w, h) = form ? formSize(doc, image, w, h) : rasterSize(doc, image, w, h);
  const auto line = form ? formLine(doc, image, x, y, w, h) : rasterLine(doc, image, x, y, w, h);
  if (!line) {
    doc.lastError = PdfError::NumberOutOfRange;
    return 0;
  }
  if (found == doc.images.end())
    doc.images.push_back(std::move(loaded));
  out(doc, *line);
  if (link != 0) {
    PdfAnnotation annotation;
    annotation.page = doc.pageCount;
    annotation.x = x * doc.scale;
    annotation.y = (doc.pageHeight - y) * doc.scale;
    annotation.w = w * doc.scale;
    annotation.h = h * doc.scale;
    annotation.link = link;
    doc.annotations.push_back(std::move(annotation));
  }
  return 1;
}

void putImages(PdfDocument& doc) {
  for (auto& image : doc.images) {
    image.objectNumber = newObject(doc);
    out(doc, "<</Type /XObject");
    if (image.filter == "WMF") {
      out(doc, "/Subtype /Form");
      out(doc, "/BBox [" + std::to_string(image.boxX) + " " + std::to_string(image.boxY) + " " +
                   std::to_string(image.boxX + image.width) + " " +
                   std::to_string(image.boxY + image.height) + "]");
      if (doc.compressor && doc.compressor(image.imageData))
        out(doc, "/Filter /FlateDecode");
    } else {
      out(doc, "/Subtype /Image");
      out(doc, "/Width " + std::to_string(image.width));
      out(doc, "/Height " + std::to_string(image.height));
      if (image.colourSpace == "Indexed")
        out(doc, "/ColorSpace [/Indexed /DeviceRGB " +
                     std::to_string(image.palette.length / 3 - 1) + " " +
                     std::to_string(image.objectNumber + 1) + " 0 R]");
      else
        out(doc, "/ColorSpace /" + image.colourSpace);
      if (image.colourSpace == "DeviceCMYK")
        out(doc, "/Decode [1 0 1 0 1 0 1 0]");
      out(doc, "/BitsPerComponent " + std::to_string(image.bitsPerComponent));
      out(doc, "/Filter /" + image.filter);
      if (!image.decodeParms.empty())
        out(doc, image.decodeParms);
    }
    if (image.external) {
      out(doc, "/Length " + std::to_string(image.external->size) + ">>");
      putExternalStream(doc, *image.external);
    } else {
      out(doc, "/Length " + std::to_string(image.imageData.length) + ">>");
      putStream(doc, image.imageData);
    }
    out(doc, "endobj");
    if (image.colourSpace == "Indexed") {
      newObject(doc);
      out(doc, "<</Length " + std::to_string(image.palette.length) + ">>");
      putStream(doc, image.palette);
      out(doc, "endobj");
    }
    image.imageData.release();
    image.palette.release();
  }
}

}  // namespace korvalis
