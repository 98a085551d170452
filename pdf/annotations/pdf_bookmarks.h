#pragma once

#include <string_view>

#include "pdf/pdf_document.h"

namespace korvalis {

/// Adds a bookmark on the current page at `y` user units from the top (-1 = the current y);
/// `level` 0 is the top of the outline.
int addBookmark(PdfDocument& doc, std::string_view title, int level, float y = -1);

}  // namespace korvalis
