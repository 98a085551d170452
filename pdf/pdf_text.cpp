#include <array>
#include <cmath>
#include <cstdio>

#include "pdf/pdf_document.h"

namespace korvalis {

namespace {
constexpr std::array<std::string_view, 19> kMessages = {"",
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
                                                        "Out of memory."};

PdfBuffer& destination(PdfDocument& doc) {
  if (doc.state == 2 && !doc.pages.empty())
    return doc.pages.back().content;
  return doc.body;
}

void appendEscaped(PdfBuffer& buffer, std::uint8_t byte) {
  switch (byte) {
    case 8:
      buffer.append("\\b");
      return;
    case 9:
      buffer.append("\\t");
      return;
    case 10:
      buffer.append("\\n");
      return;
    case 12:
      buffer.append("\\f");
      return;
    case 13:
      buffer.append("\\r");
      return;
    case '\\':
      buffer.append("\\\\");
      return;
    case '(':
      buffer.append("\\(");
      return;
    case ')':
      buffer.append("\\)");
      return;
    default:
      buffer.append(std::span(&byte, 1));
  }
}
}  // namespace

std::string_view errorMessage(int code) {
  if (code < 0 || code >= static_cast<int>(kMessages.size()))
    return {};
  return kMessages[static_cast<std::size_t>(code)];
}

std::string_view lastErrorMessage(const PdfDocument& doc) {
  return errorMessage(doc.lastError);
}

void appendBytes(PdfDocument& doc, std::span<const std::uint8_t> bytes) {
  if (!destination(doc).append(bytes))
    doc.lastError = 18;
}

void out(PdfDocument& doc, std::string_view text) {
  PdfBuffer& target = destination(doc);
  if (!target.append(text) || !target.append(std::string_view("\n")))
    doc.lastError = 18;
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
  doc.objectOffsets[index] = doc.body.length;
  out(doc, std::to_string(doc.objectCount) + " 0 obj");
  return doc.objectCount;
}

void putStream(PdfDocument& doc, const PdfBuffer& buffer) {
  out(doc, "stream");
  appendBuffer(doc, buffer);
  out(doc, "endstream");
}

std::string formatNumber(double value, int decimals) {
  // Formatted by hand so that no locale can change the decimal separator.
  if (decimals < 0)
    decimals = 0;
  if (decimals > 9)
    decimals = 9;
  if (!std::isfinite(value))
    value = 0;
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

PdfBuffer buildTextString(const PdfDocument& doc, std::string_view prefix, std::string_view text,
                          std::string_view suffix, bool forceUnicode) {
  const bool unicode =
      forceUnicode ||
      (doc.currentFont >= 0 && doc.currentFont < static_cast<int>(doc.fonts.size()) &&
       doc.fonts[static_cast<std::size_t>(doc.currentFont)].unicode);
  PdfBuffer result;
  result.append(prefix);
  if (unicode) {
    const std::uint8_t mark[] = {0xFE, 0xFF};
    result.append(mark);
  }
  for (const char c : text) {
    if (unicode)
      appendEscaped(result, 0);
    appendEscaped(result, static_cast<std::uint8_t>(c));
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

std::string pdfPoint(const PdfDocument& doc, double x, double y) {
  return formatNumber(x * doc.scale, 2) + " " + formatNumber((doc.pageHeight - y) * doc.scale, 2);
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
