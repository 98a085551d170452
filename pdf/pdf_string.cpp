#include "pdf/detail/pdf_string.h"

#include <algorithm>
#include <array>

#include "platform/cp1252.h"

namespace korvalis {

namespace {

/// Characters PDFDocEncoding places at 0x18-0x1F and 0x80-0xA0, by code.
struct DocEncodingEntry {
  std::uint8_t code;
  char32_t character;
};
constexpr std::array<DocEncodingEntry, 40> kDocEncoding = {{
    {0x18, U'\u02D8'}, {0x19, U'\u02C7'}, {0x1A, U'\u02C6'}, {0x1B, U'\u02D9'}, {0x1C, U'\u02DD'},
    {0x1D, U'\u02DB'}, {0x1E, U'\u02DA'}, {0x1F, U'\u02DC'}, {0x80, U'\u2022'}, {0x81, U'\u2020'},
    {0x82, U'\u2021'}, {0x83, U'\u2026'}, {0x84, U'\u2014'}, {0x85, U'\u2013'}, {0x86, U'\u0192'},
    {0x87, U'\u2044'}, {0x88, U'\u2039'}, {0x89, U'\u203A'}, {0x8A, U'\u2212'}, {0x8B, U'\u2030'},
    {0x8C, U'\u201E'}, {0x8D, U'\u201C'}, {0x8E, U'\u201D'}, {0x8F, U'\u2018'}, {0x90, U'\u2019'},
    {0x91, U'\u201A'}, {0x92, U'\u2122'}, {0x93, U'\uFB01'}, {0x94, U'\uFB02'}, {0x95, U'\u0141'},
    {0x96, U'\u0152'}, {0x97, U'\u0160'}, {0x98, U'\u0178'}, {0x99, U'\u017D'}, {0x9A, U'\u0131'},
    {0x9B, U'\u0142'}, {0x9C, U'\u0153'}, {0x9D, U'\u0161'}, {0x9E, U'\u017E'}, {0xA0, U'\u20AC'},
}};

void appendOctal(std::string& out, std::uint8_t byte) {
  out.push_back('\\');
  out.push_back(static_cast<char>('0' + (byte >> 6)));
  out.push_back(static_cast<char>('0' + ((byte >> 3) & 7)));
  out.push_back(static_cast<char>('0' + (byte & 7)));
}

}  // namespace

std::string escapeStringByte(std::uint8_t byte) {
  switch (byte) {
    case 8:
      return "\\b";
    case 9:
      return "\\t";
    case 10:
      return "\\n";
    case 12:
      return "\\f";
    case 13:
      return "\\r";
    case '\\':
      return "\\\\";
    case '(':
      return "\\(";
    case ')':
      return "\\)";
    default:
      return std::string(1, static_cast<char>(byte));
  }
}

std::string pdfUnicodeText(std::string_view text) {
  std::string out = "\xFE\xFF";
  for (const char c : text) {
    // Every Windows-1252 character lies in the Basic Multilingual Plane: one UTF-16 unit.
    const char32_t unit = cp1252ToUnicode(static_cast<unsigned char>(c));
    out += escapeStringByte(static_cast<std::uint8_t>(unit >> 8));
    out += escapeStringByte(static_cast<std::uint8_t>(unit & 0xFF));
  }
  return out;
}

std::optional<std::uint8_t> pdfDocEncoding(std::uint8_t byte) {
  const char32_t character = cp1252ToUnicode(byte);
  if (character < 0x18 || (character >= 0x20 && character < 0x7F))
    return static_cast<std::uint8_t>(character);
  if (character >= 0xA1 && character <= 0xFF && character != 0xAD)
    return static_cast<std::uint8_t>(character);
  const auto* entry = std::ranges::find(kDocEncoding, character, &DocEncodingEntry::character);
  if (entry == kDocEncoding.end())
    return std::nullopt;
  return entry->code;
}

std::string pdfString(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('(');
  for (const char c : text) {
    const auto code = pdfDocEncoding(static_cast<std::uint8_t>(c));
    if (!code) {
      out.assign(1, '(');
      out += pdfUnicodeText(text);
      out += ')';
      return out;
    }
    if (*code >= 128)
      appendOctal(out, *code);
    else
      out += escapeStringByte(*code);
  }
  out.push_back(')');
  return out;
}

}  // namespace korvalis
