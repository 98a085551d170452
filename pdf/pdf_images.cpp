#include <algorithm>
#include <cmath>
#include <fstream>
#include <tuple>
#include <utility>

#include "pdf/metafile/metafile_image.h"
#include "pdf/pdf_document.h"
#include "pdf/pdf_image_parsers.h"

namespace korvalis {

namespace {

/// Reads the image bytes from the caller's block or from the file `name`; 0 or an error code.
int readSource(const PdfImage& image, PdfBuffer& file) {
  if (image.sourceData == nullptr) {
    std::ifstream in(image.name, std::ios::binary | std::ios::ate);
    if (!in)
      return 8;
    const std::streamoff size = in.tellg();
    if (size < 0)
      return 8;
    if (!file.ensureCapacity(size))
      return 18;
    in.seekg(0);
    in.read(reinterpret_cast<char*>(file.data.data()), size);
    file.length = static_cast<std::int32_t>(in.gcount());
    return file.length < size ? 9 : 0;
  }
  if (image.sourceSize <= 0)
    return 8;
  if (!file.append(std::span(image.sourceData, static_cast<std::size_t>(image.sourceSize))))
    return 18;
  return 0;
}

bool startsWith(std::span<const std::uint8_t> d, std::initializer_list<std::uint8_t> prefix) {
  return d.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), d.begin());
}

int loadImage(PdfDocument& doc, PdfImage& image) {
  PdfBuffer file;
  if (const int error = readSource(image, file))
    return error;
  const auto d = file.bytes();
  if (startsWith(d, {0xFF, 0xD8, 0xFF, 0xE0})) {
    image.filter = "DCTDecode";
    return parseJpeg(image, std::move(file));
  }
  if (startsWith(d, {0x89, 0x50, 0x4E, 0x47})) {
    if (d.size() < 16 ||
        std::string_view(reinterpret_cast<const char*>(d.data() + 12), 4) != "IHDR")
      return 12;
    image.filter = "FlateDecode";
    return parsePng(image, file);
  }
  if (startsWith(d, {0xD7, 0xCD, 0xC6, 0x9A})) {
    image.filter = "WMF";
    image.imageData = std::move(file);
    return convertMetafileImage(image, doc.scale) ? 0 : 13;
  }
  return 14;
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

void drawRaster(PdfDocument& doc, const PdfImage& image, float x, float y, float w, float h) {
  const float s = doc.scale;
  out(doc, "q " + formatNumber(w * s, 2) + " 0 0 " + formatNumber(h * s, 2) + " " +
               formatNumber(x * s, 2) + " " + formatNumber((doc.pageHeight - (y + h)) * s, 2) +
               " cm /I" + std::to_string(image.index) + " Do Q");
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

void drawForm(PdfDocument& doc, const PdfImage& image, float x, float y, float fw, float fh) {
  if (image.width == 0 || image.height == 0)
    return;
  const double width = image.width, height = image.height, s = doc.scale;
  const double sx = fw * s / width, sy = -fh * s / height;
  out(doc, "q " + formatNumber(sx, 6) + " 0 0 " + formatNumber(sy, 6) + " " +
               formatNumber(x * s - sx * image.boxX, 6) + " " +
               formatNumber((doc.pageHeight - y) * s - sy * image.boxY, 6) + " cm /FO" +
               std::to_string(image.index) + " Do Q");
}

}  // namespace

int placeImage(PdfDocument& doc, std::string_view name, const std::uint8_t* data, std::int32_t size,
               float x, float y, float w, float h, int link) {
  auto found = std::ranges::find_if(doc.images, [&](const PdfImage& i) { return i.name == name; });
  if (found == doc.images.end()) {
    PdfImage image;
    image.name = name;
    image.sourceData = data;
    image.sourceSize = size;
    image.index = static_cast<std::int32_t>(doc.images.size()) + 1;
    if (const int error = loadImage(doc, image)) {
      doc.lastError = error;
      return 0;
    }
    doc.images.push_back(std::move(image));
    found = doc.images.end() - 1;
  }
  // The drawn size, also the size of the link area over the image.
  const bool form = found->filter == "WMF";
  std::tie(w, h) = form ? formSize(doc, *found, w, h) : rasterSize(doc, *found, w, h);
  if (form)
    drawForm(doc, *found, x, y, w, h);
  else
    drawRaster(doc, *found, x, y, w, h);
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
  return 0;
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
    out(doc, "/Length " + std::to_string(image.imageData.length) + ">>");
    putStream(doc, image.imageData);
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
