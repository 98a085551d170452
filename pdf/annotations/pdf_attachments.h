#pragma once

#include <string_view>

#include "pdf/pdf_document.h"

namespace korvalis {

/// Embeds the file at `path` with a description. Returns 1, or 0 with error 17 ("File open
/// error.") when the file cannot be read (or is too large to embed).
int attachFile(PdfDocument& doc, std::string_view path, std::string_view description);

}  // namespace korvalis
