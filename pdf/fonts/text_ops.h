#pragma once

#include <string_view>

#include "pdf/pdf_document.h"

namespace korvalis {

/// `cell` borders: 0 none, 1 full frame, or the negated sum of these edges.
enum CellEdge : int { kCellLeft = 1, kCellTop = 2, kCellRight = 4, kCellBottom = 8 };

/// Writes one line of text in a box at the current position. `w` 0 reaches the right margin;
/// `border` 0, 1 (frame) or -(sum of CellEdge values); `ln` 0 continues to the right, 1 goes
/// to the start of the next line, 2 goes below; `align` "", "L", "C", "R" or "FJ" (justified
/// by word spacing); `fill` paints the background in the fill colour; `link` > 0 makes the
/// text a link area of that identifier. A box that would cross the page-break trigger opens a
/// new page first (not while the footer runs). Returns 1; 0 when text was given but no font
/// is selected (the box is drawn, the text left out), or with NoPage and nothing written when
/// no page is open.
int cell(PdfDocument& doc, float w, float h, std::string_view text, int border = 0, int ln = 0,
         std::string_view align = {}, bool fill = false, int link = 0);

/// Writes flowing text from the current position with line height `h`, wrapping at blanks
/// (or inside a word that has none) before the right margin and at line feeds; x is left
/// after the last piece.
int writeText(PdfDocument& doc, float h, std::string_view text, int link = 0);

/// writeText in another size with the baseline shifted (raised or lowered text): the size
/// changes to `sizePt`, the baseline moves up by (sizePt - current size) / scale * 0.3 +
/// offsetPt / scale, and both are restored afterwards.
int writeShifted(PdfDocument& doc, float h, std::string_view text, int link, int sizePt,
                 float offsetPt);

/// The current position in user units from the top-left corner.
float getX(const PdfDocument& doc);
float getY(const PdfDocument& doc);
/// Sets x; a negative value counts from the right page edge.
int setX(PdfDocument& doc, float x);
/// Moves x to the left margin and sets y; a negative value counts from the bottom edge.
int setY(PdfDocument& doc, float y);
/// Points per user unit.
float getScale(const PdfDocument& doc);
/// The font size in points.
float getFontSizePt(const PdfDocument& doc);

}  // namespace korvalis
