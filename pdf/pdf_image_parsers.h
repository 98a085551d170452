#pragma once

#include "pdf/pdf_document.h"

namespace korvalis {

/// Walks the JPEG markers of `file` up to the first frame header and fills size, depth and
/// colour space; the whole file becomes the image data. Returns 0 or error code 11.
int parseJpeg(PdfImage& image, PdfBuffer&& file);

/// Reads the PNG header and collects palette and IDAT data. Returns 0 or an error code
/// (1-6, 12 for a chunk running past the end, 18 on allocation failure).
int parsePng(PdfImage& image, const PdfBuffer& file);

}  // namespace korvalis
