// krv pdf: writes a one-page PDF of an image the way the export window does.
#include <algorithm>
#include <charconv>
#include <iostream>
#include <utility>
#include <vector>

#include "platform/file_io.h"
#include "print/pdf_export.h"
#include "tools/krv/command.h"
#include "viewer/image_codec.h"

namespace {

using korvalis::krv::kOk;
using korvalis::krv::kRefused;
using korvalis::krv::kUsage;

bool parseMargins(std::string_view text, korvalis::PdfMargins& margins) {
  int values[4] = {};
  for (int i = 0; i < 4; ++i) {
    const auto comma = text.find(',');
    const std::string_view field = text.substr(0, comma);
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), values[i]);
    if (ec != std::errc() || end != field.data() + field.size() || values[i] < 0)
      return false;
    if ((comma == std::string_view::npos) != (i == 3))
      return false;
    if (i < 3)
      text.remove_prefix(comma + 1);
  }
  margins = {values[0], values[1], values[2], values[3]};
  return true;
}

bool isJfif(std::span<const std::uint8_t> b) {
  return b.size() >= 4 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF && b[3] == 0xE0;
}

int runPdf(std::span<const std::string> args) {
  std::vector<std::string> files;
  bool landscape = false, original = false;
  korvalis::PdfMargins margins;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--landscape") {
      landscape = true;
    } else if (args[i] == "--original") {
      original = true;
    } else if (args[i] == "--margins" && i + 1 < args.size()) {
      if (!parseMargins(args[++i], margins)) {
        std::cerr << "krv pdf: --margins expects T,L,R,B in whole millimetres\n";
        return kUsage;
      }
    } else {
      files.push_back(args[i]);
    }
  }
  if (files.size() != 2) {
    std::cerr << "usage: krv pdf IMAGE OUT.pdf [--landscape] [--original] [--margins T,L,R,B]\n";
    return kUsage;
  }
  auto read = korvalis::readWholeFileBytes(files[0]);
  if (!read) {
    std::cerr << "krv pdf: cannot read " << files[0] << "\n";
    return kRefused;
  }
  std::vector<std::uint8_t> bytes = std::move(*read);
  int width = 0, height = 0;
  if (isJfif(bytes)) {
    // Embedded unchanged; only the pixel size is needed for the layout.
    const auto size = korvalis::readImageDimensions(bytes);
    if (!size) {
      std::cerr << "krv pdf: " << files[0] << ": damaged JPEG header\n";
      return kRefused;
    }
    width = size->width;
    height = size->height;
  } else {
    const auto decoded = korvalis::decodeImage(bytes);
    if (!decoded.ok()) {
      std::cerr << "krv pdf: " << files[0] << ": " << decoded.error << "\n";
      return kRefused;
    }
    auto jpeg = korvalis::encodeJpeg(decoded.image, korvalis::EncoderSettings{}.quality);
    if (!jpeg) {
      std::cerr << "krv pdf: JPEG encoding failed\n";
      return kRefused;
    }
    bytes = std::move(*jpeg);
    width = decoded.image.width();
    height = decoded.image.height();
  }
  const auto layout = korvalis::updatePdfLayout(width, height, margins, landscape, original);
  std::string error;
  if (korvalis::exportPdf(bytes, layout, landscape, original, files[1], &error) != 1) {
    std::cerr << "krv pdf: " << error << "\n";
    return kRefused;
  }
  return kOk;
}

}  // namespace

KRV_COMMAND("pdf", "IMAGE OUT.pdf [--landscape] [--original] [--margins T,L,R,B]", runPdf)
