#pragma once

#include <string>
#include <string_view>

namespace korvalis {

/// A PDF literal string for annotation, outline and script texts: "(" + the text + ")" with
/// backspace, tab, line feed, form feed and carriage return written as \b \t \n \f \r, a
/// backslash doubled, parentheses escaped, and every byte from 128 to 255 as a backslash and
/// three octal digits (Windows-1252 "\xE4" becomes "\344"). Cannot fail.
std::string pdfString(std::string_view text);

}  // namespace korvalis
