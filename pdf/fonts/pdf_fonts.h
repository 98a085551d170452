#pragma once

#include <string_view>

#include "pdf/pdf_document.h"

namespace korvalis {

/// Selects the font for text output. `family` is case-insensitive ("Arial" is Helvetica; the
/// fourteen base fonts are built in, any other family is an installed TrueType font; empty
/// keeps the current family). `style` holds any of "B", "I", "U" (case-insensitive; "U"
/// switches underlining on and is not part of the font's style). `sizePt` 0 keeps the current
/// size. On an open page the selection is written as "BT /Fn size Tf ET", unless family,
/// style and size are the current ones. Returns 1, or 0 with error PdfError::Font when a TrueType
/// family is not installed or its file is damaged; the current font then stays as it was.
int setFont(PdfDocument& doc, std::string_view family, std::string_view style, int sizePt = 0);

/// Changes the font size (points) of the current font; on an open page the change is written.
int setFontSize(PdfDocument& doc, int sizePt);

/// The width of Windows-1252 text in the current font and size, in user units; 0 when no
/// font is selected.
float stringWidth(const PdfDocument& doc, std::string_view text);

}  // namespace korvalis
