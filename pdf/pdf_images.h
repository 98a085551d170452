#pragma once

#include <cstdint>
#include <string_view>

#include "pdf/pdf_document.h"

namespace korvalis {

/// Places an image on the open page with its top-left corner at (x, y); `w` and `h` are the
/// size in user units (both 0: one pixel per point; one 0: the other side keeps the image's
/// proportions). The image is a JPEG with a JFIF marker (embedded as it is), a PNG without
/// alpha channel, interlacing or 16-bit samples (its compressed data copied), or a placeable
/// metafile (converted into a form).
///
/// `data`/`size` is the image in memory, or null to read the file `name`. An image placed
/// before under the same `name` is drawn again without being read. Borrowed: a JPEG block is
/// not copied, so `data` must stay valid and unchanged until saveDocument (or documentBytes)
/// has run; a JPEG file is read only then (a file that changed meanwhile fails the save).
/// `link` > 0 makes the image a link area of that identifier (addLink).
///
/// Returns 1, or 0 with lastError set (the image's problem, or no page open) and nothing
/// written.
int placeImage(PdfDocument& doc, std::string_view name, const std::uint8_t* data, std::int32_t size,
               float x, float y, float w, float h, int link = 0);

}  // namespace korvalis
