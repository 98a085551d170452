#pragma once

#include "pdf/pdf_document.h"

namespace korvalis {

/// Adds the installer of the bookmark and script resource and catalog hooks to
/// `builtInHookInstallers`. Does nothing when already done for `doc`. Run by initialiseWriter.
/// (Notes, page annotations and attachments are written by the document output itself.)
void installAnnotationHooks(PdfDocument& doc);

}  // namespace korvalis
