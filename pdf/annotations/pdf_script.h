#pragma once

#include <string_view>

#include "pdf/pdf_document.h"

namespace korvalis {

/// Sets the document-level script (empty = none).
void setScript(PdfDocument& doc, std::string_view text);

/// Writes the script's name tree and action objects once per document and returns the name
/// tree's object number (`scriptObject`); 0 without a script.
int writeScriptObjects(PdfDocument& doc);

/// Writes the script objects unless they are already written; nothing without a script.
void putScript(PdfDocument& doc);

/// Writes "/Names <</JavaScript N 0 R>>" when the script has no shared names dictionary.
void putScriptCatalogEntry(PdfDocument& doc);

}  // namespace korvalis
