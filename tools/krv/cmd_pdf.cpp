// krv pdf: writes a PDF of one page per image the way the export window lays out a page.
#include <algorithm>
#include <charconv>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <utility>
#include <vector>

#include "platform/cp1252.h"
#include "platform/file_io.h"
#include "print/pdf_export.h"
#include "tools/krv/command.h"
#include "viewer/image_codec.h"

namespace {

using korvalis::krv::kOk;
using korvalis::krv::kRefused;
using korvalis::krv::kUsage;
using Bytes = std::vector<std::uint8_t>;

constexpr std::string_view kUsageText =
    "usage: krv pdf IMAGE... OUT.pdf [--landscape] [--original] [--margins T,L,R,B]\n";
/// How much of a JPEG file is read to find its size; the frame header is nearly always there.
constexpr std::size_t kHeaderPrefix = 256 * 1024;

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

/// Up to `limit` bytes from the start of the file; nothing when it cannot be read.
std::optional<Bytes> readPrefix(const std::string& path, std::size_t limit) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return std::nullopt;
  Bytes bytes(limit);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
  if (in.bad())
    return std::nullopt;
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

/// The outline entry of an image: its file name without folder and extension, in
/// Windows-1252 (a character it cannot store becomes "?").
std::string pageTitle(const std::string& path) {
  const std::string stem = std::filesystem::path(path).stem().string();
  if (auto text = korvalis::utf8ToCp1252(stem))
    return *text;
  std::string text;
  for (const char c : stem) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80)
      text += c;
    else if (byte >= 0xC0)
      text += '?';  // the lead byte of a character; its continuation bytes are dropped
  }
  return text;
}

/// Prepares one page: a JFIF JPEG stays in its file (only its header is read), any other image
/// is decoded and encoded as JPEG into `encoded`. False after reporting the problem.
bool preparePage(const std::string& path, korvalis::PdfExportPage& page, std::deque<Bytes>& encoded,
                 int& width, int& height) {
  auto head = readPrefix(path, kHeaderPrefix);
  if (!head || head->empty()) {
    std::cerr << "krv pdf: cannot read " << path << "\n";
    return false;
  }
  if (isJfif(*head)) {
    auto size = korvalis::readImageDimensions(*head);
    if (!size && head->size() == kHeaderPrefix) {  // a long header: look at the whole file
      const auto whole = korvalis::readWholeFileBytes(path);
      if (whole)
        size = korvalis::readImageDimensions(*whole);
    }
    if (!size) {
      std::cerr << "krv pdf: " << path << ": damaged JPEG header\n";
      return false;
    }
    page.jpegFile = path;
    width = size->width;
    height = size->height;
    return true;
  }
  const auto bytes = korvalis::readWholeFileBytes(path);
  if (!bytes) {
    std::cerr << "krv pdf: cannot read " << path << "\n";
    return false;
  }
  const auto decoded = korvalis::decodeImage(*bytes);
  if (!decoded.ok()) {
    std::cerr << "krv pdf: " << path << ": " << decoded.error << "\n";
    return false;
  }
  auto jpeg = korvalis::encodeJpeg(decoded.image, korvalis::EncoderSettings{}.quality);
  if (!jpeg) {
    std::cerr << "krv pdf: JPEG encoding failed\n";
    return false;
  }
  page.jpeg = encoded.emplace_back(std::move(*jpeg));
  width = decoded.image.width();
  height = decoded.image.height();
  return true;
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
  if (files.size() < 2) {
    std::cerr << kUsageText;
    return kUsage;
  }
  const std::string output = files.back();
  files.pop_back();
  const bool several = files.size() > 1;
  std::vector<korvalis::PdfExportPage> pages(files.size());
  std::deque<Bytes> encoded;  // JPEG data of the images that were not JPEG files
  for (std::size_t i = 0; i < files.size(); ++i) {
    int width = 0, height = 0;
    if (!preparePage(files[i], pages[i], encoded, width, height))
      return kRefused;
    pages[i].layout = korvalis::updatePdfLayout(width, height, margins, landscape, original);
    if (several)
      pages[i].title = pageTitle(files[i]);
  }
  std::string error;
  if (korvalis::exportPdfPages(pages, landscape, original, output, &error) != 1) {
    std::cerr << "krv pdf: " << error << "\n";
    return kRefused;
  }
  return kOk;
}

}  // namespace

KRV_COMMAND("pdf", "IMAGE... OUT.pdf [--landscape] [--original] [--margins T,L,R,B]", runPdf)
