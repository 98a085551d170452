#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "batch/link_row.h"

namespace korvalis {

/// The bytes of a save list (.krl): one line per row from index 0 up to the first row with an
/// empty reference, five TAB-separated fields (reference, file name, status, code in decimal,
/// "2" for a checked row or "0"), each line ended by CR LF. Texts are written as stored
/// (Windows-1252).
std::string formatSaveList(const std::vector<LinkRow>& rows);

/// Number of rows formatSaveList writes.
std::size_t savedRowCount(const std::vector<LinkRow>& rows);

/// The rows of a save list's bytes. Every line becomes a row (at least one, so an empty file
/// gives one row with empty texts); lines end at LF with an optional CR before it. Missing
/// fields give empty texts and 0; field 4 is read as a decimal integer (leading blanks and a
/// sign allowed, the digits up to the first other character, clamped to 32 bits) and field 5
/// checks the row when its integer value is not 0. Never reads outside `bytes`.
std::vector<LinkRow> parseSaveList(std::string_view bytes);

/// The leading decimal integer of a text as the list's fields are read ("12x" gives 12, "x"
/// gives 0), clamped to the 32-bit range.
std::int32_t leadingInteger(std::string_view text);

}  // namespace korvalis
