#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvalis {

/// A byte of a literal string as written: backspace, tab, line feed, form feed and carriage
/// return as \b \t \n \f \r, a backslash doubled, parentheses escaped, other bytes unchanged.
std::string escapeStringByte(std::uint8_t byte);

/// Windows-1252 text as the bytes FE FF and its characters in UTF-16BE (the euro sign is
/// U+20AC), each byte escaped as escapeStringByte does.
std::string pdfUnicodeText(std::string_view text);

/// The PDFDocEncoding code of a Windows-1252 byte's character; nothing when PDFDocEncoding has
/// no such character (control codes 0x18-0x1F and 0x7F, no-break space, soft hyphen, the five
/// bytes Windows-1252 leaves undefined).
std::optional<std::uint8_t> pdfDocEncoding(std::uint8_t byte);

/// A PDF text string for annotation, outline and script texts: "(" + the text + ")" in
/// PDFDocEncoding, bytes from 128 up as a backslash and three octal digits (Windows-1252 "\xE4"
/// becomes "\344", the euro sign "\240"); a text with a character PDFDocEncoding lacks is
/// written in UTF-16BE instead (pdfUnicodeText). Cannot fail.
std::string pdfString(std::string_view text);

}  // namespace korvalis
