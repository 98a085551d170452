#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "batch/link_row.h"

namespace korvalis {

/// Message texts of the link commands (Windows-1252).
inline constexpr std::string_view kIdRangeMessage = "ID mu\xDF im Bereich [1...999999999] Liegen.";
inline constexpr std::string_view kPageRangeMessage = "Seite mu\xDF im Bereich [1...99999] liegen.";

/// The rows for an ID and a page range as the fields hold them (texts read as their leading
/// decimal number): one unchecked row per page, reference ID (9 digits) "_" page (5 digits),
/// empty file name, status " ", code 0; "von" and "bis" are swapped when "von" is larger.
/// A refused input gives the message text instead (the ID is checked first, then "von",
/// then "bis").
std::variant<std::vector<LinkRow>, std::string_view> makeLinkRows(std::string_view idField,
                                                                  std::string_view fromField,
                                                                  std::string_view toField);

/// The download link of a reference: pagePrefix + reference + pageSuffix.
std::string linkOf(std::string_view pagePrefix, std::string_view reference,
                   std::string_view pageSuffix);

/// The link text of the checked rows from index 0 up to the first empty reference, each link
/// followed by CR LF; `written` receives the number of links.
std::string linkText(const std::vector<LinkRow>& rows, std::string_view pagePrefix,
                     std::string_view pageSuffix, std::size_t* written = nullptr);

/// The final message of the link file: "3 von 10 Einträge  in Datei geschrieben." (two blanks
/// before "in"; " Eintrag " when total is 1).
std::string linksWrittenMessage(std::size_t written, std::size_t total);

/// The final message of a saved list: "10 Einträge  in Datei geschrieben."
std::string rowsWrittenMessage(std::size_t count);

}  // namespace korvalis
