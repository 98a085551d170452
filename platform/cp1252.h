#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvalis {

/// Texts of record files, save lists and the user interface are Windows-1252 bytes in the core.
/// These helpers convert at the edges (UI, file names on disk) with one shared table; bytes
/// 0x80-0x9F differ from Latin-1 (0x80 is the euro sign). Bytes undefined in Windows-1252
/// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value, so every byte
/// survives a round trip.

/// The Unicode code point of a Windows-1252 byte.
char32_t cp1252ToUnicode(unsigned char byte);

/// The Windows-1252 byte for a code point, or nothing when the code point has none.
std::optional<unsigned char> unicodeToCp1252(char32_t codePoint);

/// Windows-1252 bytes to UTF-8.
std::string cp1252ToUtf8(std::string_view text);

/// UTF-8 to Windows-1252; nothing when the text holds a character Windows-1252 cannot store
/// or is not valid UTF-8.
std::optional<std::string> utf8ToCp1252(std::string_view text);

/// UTF-8 to Windows-1252 for showing a text (a file name in a message): each character
/// Windows-1252 cannot hold, and each broken UTF-8 sequence, becomes '?'.
std::string utf8ToCp1252Lossy(std::string_view text);

/// The lower-case form of a Windows-1252 byte (A-Z, the accented capitals 0xC0-0xDE except
/// 0xD7, and the letters 0x8A, 0x8C, 0x8E, 0x9F); other bytes are returned unchanged.
unsigned char cp1252Lower(unsigned char byte);

/// The whole text in lower case, byte by byte as cp1252Lower.
std::string cp1252LowerText(std::string_view text);

}  // namespace korvalis
