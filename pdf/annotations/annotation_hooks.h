#pragma once

#include "pdf/pdf_document.h"

namespace korvalis {

/// Registers the output of notes, page annotations and attachments, and adds the installer of
/// the bookmark and script resource and catalog hooks to `builtInHookInstallers`. Does nothing
/// when already done for `doc`. Run by initialiseWriter.
void installAnnotationHooks(PdfDocument& doc);

}  // namespace korvalis
