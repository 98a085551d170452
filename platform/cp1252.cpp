#include "platform/cp1252.h"

#include <algorithm>
#include <array>

namespace korvalis {
namespace {

// Code points of the bytes 0x80-0x9F; the rest of the table equals Latin-1.
constexpr std::array<char32_t, 32> kHighTable = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Decodes one UTF-8 sequence at text[pos]; advances pos. Returns nothing when malformed.
std::optional<char32_t> nextCodePoint(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  int extra = 0;
  char32_t cp = 0;
  if (lead < 0x80) {
    ++pos;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1;
    cp = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2;
    cp = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3;
    cp = lead & 0x07;
  } else {
    return std::nullopt;
  }
  if (pos + extra >= text.size()) {
    return std::nullopt;
  }
  for (int i = 1; i <= extra; ++i) {
    const auto c = static_cast<unsigned char>(text[pos + i]);
    if ((c & 0xC0) != 0x80) {
      return std::nullopt;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  pos += extra + 1;
  return cp;
}

}  // namespace

char32_t cp1252ToUnicode(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) {
    return kHighTable[byte - 0x80];
  }
  return byte;
}

std::optional<unsigned char> unicodeToCp1252(char32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
    return static_cast<unsigned char>(codePoint);
  }
  for (std::size_t i = 0; i < kHighTable.size(); ++i) {
    if (kHighTable[i] == codePoint) {
      return static_cast<unsigned char>(0x80 + i);
    }
  }
  return std::nullopt;
}

std::string cp1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  const auto notAscii = [](char c) { return static_cast<unsigned char>(c) >= 0x80; };
  auto pos = text.begin();
  while (pos != text.end()) {
    // Runs of ASCII, most of any text, are copied as they are.
    const auto other = std::find_if(pos, text.end(), notAscii);
    out.append(pos, other);
    if (other == text.end()) {
      break;
    }
    appendUtf8(out, cp1252ToUnicode(static_cast<unsigned char>(*other)));
    pos = other + 1;
  }
  return out;
}

std::optional<std::string> utf8ToCp1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto cp = nextCodePoint(text, pos);
    if (!cp) {
      return std::nullopt;
    }
    const auto byte = unicodeToCp1252(*cp);
    if (!byte) {
      return std::nullopt;
    }
    out.push_back(static_cast<char>(*byte));
  }
  return out;
}

std::string utf8ToCp1252Lossy(std::string_view text) {
  if (auto exact = utf8ToCp1252(text)) {
    return *exact;
  }
  std::string out;
  std::size_t at = 0;
  while (at < text.size()) {
    const auto lead = static_cast<unsigned char>(text[at]);
    // A byte that cannot start a sequence (a stray continuation byte, 0xF8-0xFF) is one
    // broken character of its own; it must not swallow the characters after it.
    const std::size_t length = lead < 0xC0   ? 1
                               : lead < 0xE0 ? 2
                               : lead < 0xF0 ? 3
                               : lead < 0xF8 ? 4
                                             : 1;
    const auto converted = utf8ToCp1252(text.substr(at, length));
    out += converted && converted->size() == 1 ? *converted : std::string("?");
    at += std::min(length, text.size() - at);
  }
  return out;
}

unsigned char cp1252Lower(unsigned char byte) {
  if (byte >= 'A' && byte <= 'Z') {
    return static_cast<unsigned char>(byte + 32);
  }
  if (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7) {
    return static_cast<unsigned char>(byte + 32);
  }
  switch (byte) {
    case 0x8A:  // S caron
    case 0x8C:  // OE
    case 0x8E:  // Z caron
      return static_cast<unsigned char>(byte + 16);
    case 0x9F:  // Y diaeresis
      return 0xFF;
    default:
      return byte;
  }
}

std::string cp1252LowerText(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    c = static_cast<char>(cp1252Lower(static_cast<unsigned char>(c)));
  }
  return out;
}

}  // namespace korvalis
