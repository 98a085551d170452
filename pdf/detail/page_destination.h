#pragma once

#include <string>

#include "pdf/pdf_document.h"

namespace korvalis {

/// The object number of page `page` (1-based, clamped to the pages of the document). Valid
/// while the page objects are written and after: the page objects follow each other two
/// numbers apart (page, content).
int pageObjectNumber(const PdfDocument& doc, int page);

/// "[N 0 R /XYZ 0 TOP null]": page `page` at `y` user units from its top.
std::string pageDestination(const PdfDocument& doc, int page, float y);

}  // namespace korvalis
