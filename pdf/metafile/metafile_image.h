#pragma once

#include "pdf/pdf_document.h"

namespace korvalis {

/// Converts the placeable metafile held in `image.imageData` into form content in place and
/// sets the form's box; pen widths and dash lengths are multiplied by `scale`. False (content
/// untouched) when the metafile is damaged.
bool convertMetafileImage(PdfImage& image, double scale);

}  // namespace korvalis
