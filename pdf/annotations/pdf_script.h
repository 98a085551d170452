#pragma once

#include <string_view>

#include "pdf/pdf_document.h"

namespace korvalis {

/// Sets the document-level script (empty = none).
int setScript(PdfDocument& doc, std::string_view text);

}  // namespace korvalis
