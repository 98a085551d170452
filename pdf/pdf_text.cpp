#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "pdf/detail/output.h"
#include "pdf/detail/pdf_string.h"

namespace korvalis {

namespace {
constexpr std::array<std::string_view, 22> kMessages = {"",
                                                        "16-bit depth PNG not supported.",
                                                        "Alpha channel PNG not supported.",
                                                        "Unknown compression PNG method.",
                                                        "Unknown filter PNG method.",
                                                        "Interlacing PNG not supported.",
                                                        "Missing palette in PNG.",
                                                        "JPEG file is not supported.",
                                                        "Error opening image file.",
                                                        "Problem reading image file in memory.",
                                                        "JFIF marker is missing.",
                                                        "Not a JPEG file.",
                                                        "Incorrect PNG file.",
                                                        "",
                                                        "Not a JPEG or PNG file.",
                                                        "Filename is not correct.",
                                                        "Error creating file.",
                                                        "File open error.",
                                                        "Out of memory.",
                                                        "Font not installed or damaged.",
                                                        "Number out of range.",
                                                        "No page open."};

PdfBuffer& destination(PdfDocument& doc) {
  if (doc.state == 2 && !doc.pages.empty())
    return doc.pages.back().content;
  return doc.body;
}

}  // namespace

std::string_view errorMessage(PdfError code) {
  const auto index = static_cast<std::size_t>(code);
  return index < kMessages.size() ? kMessages[index] : std::string_view();
}

std::string_view lastErrorMessage(const PdfDocument& doc) {
  return errorMessage(doc.lastError);
}

void failAssembly(PdfDocument& doc, PdfError error) {
  doc.assemblyFailed = true;
  doc.lastError = error;
}

std::int64_t fileOffset(const PdfDocument& doc) {
  return doc.body.length + doc.splicedBytes;
}

void appendBytes(PdfDocument& doc, std::span<const std::uint8_t> bytes) {
  PdfBuffer& target = destination(doc);
  // The body may not grow past the size the cross-reference table can address.
  const bool tooLarge = &target == &doc.body &&
                        fileOffset(doc) + static_cast<std::int64_t>(bytes.size()) > doc.maxFileSize;
  if (tooLarge || !target.append(bytes))
    failAssembly(doc, PdfError::OutOfMemory);
}

void out(PdfDocument& doc, std::string_view text) {
  appendBytes(doc, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  appendBytes(doc, std::span(reinterpret_cast<const std::uint8_t*>("\n"), 1));
}

void appendBuffer(PdfDocument& doc, const PdfBuffer& buffer) {
  appendBytes(doc, buffer.bytes());
  out(doc, "");
}

int newObject(PdfDocument& doc) {
  ++doc.objectCount;
  const auto index = static_cast<std::size_t>(doc.objectCount - 1);
  if (doc.objectOffsets.size() <= index)
    doc.objectOffsets.resize(index + 1, 0);
  doc.objectOffsets[index] = static_cast<std::int32_t>(fileOffset(doc));
  out(doc, std::to_string(doc.objectCount) + " 0 obj");
  return doc.objectCount;
}

void putStream(PdfDocument& doc, const PdfBuffer& buffer) {
  out(doc, "stream");
  appendBuffer(doc, buffer);
  out(doc, "endstream");
}

void putExternalStream(PdfDocument& doc, const PdfExternalData& data) {
  out(doc, "stream");
  if (doc.state == 2 || fileOffset(doc) + data.size > doc.maxFileSize) {
    failAssembly(doc, PdfError::OutOfMemory);  // external data goes into the body only
  } else {
    doc.splices.push_back({doc.body.length, data});
    doc.splicedBytes += data.size;
  }
  out(doc, "");
  out(doc, "endstream");
}

std::optional<std::string> formatNumber(double value, int decimals) {
  // Formatted by hand so that no locale can change the decimal separator.
  if (!std::isfinite(value) || std::fabs(value) > kPdfNumberLimit)
    return std::nullopt;
  decimals = std::clamp(decimals, 0, 9);
  double factor = 1;
  for (int i = 0; i < decimals; ++i)
    factor *= 10;
  const bool negative = value < 0;
  const double scaled = std::round(std::fabs(value) * factor);
  const auto whole = static_cast<unsigned long long>(scaled / factor);
  const auto fraction =
      static_cast<unsigned long long>(scaled - static_cast<double>(whole) * factor);
  std::string text = std::to_string(whole);
  if (decimals > 0) {
    std::string digits = std::to_string(fraction);
    text += '.';
    text += std::string(static_cast<std::size_t>(decimals) - digits.size(), '0') + digits;
  }
  const bool zero = scaled == 0;
  return (negative && !zero ? "-" : "") + text;
}

std::string pdfNumber(PdfDocument& doc, double value, int decimals) {
  if (auto text = formatNumber(value, decimals))
    return std::move(*text);
  failAssembly(doc, PdfError::NumberOutOfRange);
  return "0";
}

PdfBuffer buildTextString(const PdfDocument& doc, std::string_view prefix, std::string_view text,
                          std::string_view suffix, bool forceUnicode) {
  const bool unicode =
      forceUnicode ||
      (doc.currentFont >= 0 && doc.currentFont < static_cast<int>(doc.fonts.size()) &&
       doc.fonts[static_cast<std::size_t>(doc.currentFont)].unicode);
  PdfBuffer result;
  result.append(prefix);
  if (unicode) {
    result.append(pdfUnicodeText(text));
  } else {
    for (const char c : text)
      result.append(escapeStringByte(static_cast<std::uint8_t>(c)));
  }
  result.append(suffix);
  return result;
}

std::string upperAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && upperAscii(a) == upperAscii(b);
}

std::string pdfPoint(PdfDocument& doc, double x, double y) {
  return pdfNumber(doc, x * doc.scale, 2) + " " +
         pdfNumber(doc, (doc.pageHeight - y) * doc.scale, 2);
}

std::string timeZoneSuffix(int offsetMinutes) {
  if (offsetMinutes == 0)
    return "Z";
  const int absolute = std::abs(offsetMinutes);
  char text[16];
  std::snprintf(text, sizeof text, "%c%02d'%02d'", offsetMinutes < 0 ? '-' : '+',
                absolute / 60 % 100, absolute % 60);
  return text;
}

}  // namespace korvalis
