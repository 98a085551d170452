#pragma once

#include <string>
#include <string_view>

#include "pdf/pdf_document.h"

namespace korvalis {

// Drawing operations on the open page. Coordinates and sizes are user units with the origin at
// the top-left corner of the page and y growing downwards. Every operation writes one line of
// page-description operators to the open page; with no page open nothing is written (the
// colour and line-width setters still store their value, and the next page starts with it).

/// Draw (stroke) colour from 0-255 components; g = -1 (or r = g = b = 0) asks for grey r.
int setDrawColour(PdfDocument& doc, float r, float g = -1, float b = -1);
/// Fill colour, as setDrawColour; updates colourFlag.
int setFillColour(PdfDocument& doc, float r, float g = -1, float b = -1);
/// Text colour, as setDrawColour; stored only (text output writes it); updates colourFlag.
int setTextColour(PdfDocument& doc, float r, float g = -1, float b = -1);
/// CMYK draw colour; the components are written as given with two decimals.
int setDrawColourCmyk(PdfDocument& doc, float c, float m, float y, float k);
/// CMYK fill colour; updates colourFlag.
int setFillColourCmyk(PdfDocument& doc, float c, float m, float y, float k);
/// CMYK text colour, stored only; updates colourFlag.
int setTextColourCmyk(PdfDocument& doc, float c, float m, float y, float k);

/// Stores the line width and writes it when a page is open.
int setLineWidth(PdfDocument& doc, float width);
/// Dash pattern of `black` on, `white` off; black = 0 gives a solid line.
int setDash(PdfDocument& doc, float black, float white);

/// A stroked straight line.
int drawLine(PdfDocument& doc, float x1, float y1, float x2, float y2);
/// A rectangle path ("re") without painting it.
int rectPath(PdfDocument& doc, float x, float y, float w, float h);
/// A rectangle; style "F" fills, "DF" fills and strokes, anything else strokes.
int drawRect(PdfDocument& doc, float x, float y, float w, float h, std::string_view style = "");
/// Begins a new subpath at (x, y).
int moveTo(PdfDocument& doc, float x, float y);
/// Adds a straight segment to (x, y).
int lineTo(PdfDocument& doc, float x, float y);
/// Adds a cubic Bezier segment with control points 1 and 2 ending at point 3.
int curveTo(PdfDocument& doc, float x1, float y1, float x2, float y2, float x3, float y3);
/// Paints the current path: "D" closes and strokes, "DF" closes, fills and strokes, "F" fills,
/// "" strokes; any other text is written as it stands (e.g. "W n" to clip).
int paintPath(PdfDocument& doc, std::string_view style);

int drawTriangle(PdfDocument& doc, float x1, float y1, float x2, float y2, float x3, float y3,
                 std::string_view style = "");
/// An ellipse of radii rx, ry about (x, y) from four quarter-arc Bezier segments.
int drawEllipse(PdfDocument& doc, float x, float y, float rx, float ry,
                std::string_view style = "");
int drawCircle(PdfDocument& doc, float x, float y, float r, std::string_view style = "");
/// A rectangle with corners rounded by radius r (limited to half the shorter side).
int drawRoundedRect(PdfDocument& doc, float x, float y, float w, float h, float r,
                    std::string_view style = "");
/// A pie slice about (x, y) from startAngle to endAngle, degrees counter-clockwise from the
/// positive x axis as seen on the page; equal angles give the whole circle.
int drawSector(PdfDocument& doc, float x, float y, float r, float startAngle, float endAngle,
               std::string_view style = "F");

/// Concatenates the matrix [a b c d e f] (PDF space, points) with the current one.
int transform(PdfDocument& doc, float a, float b, float c, float d, float e, float f);
/// Moves what follows by (tx, ty) in page-description space (points, y growing upwards), as
/// transform(1, 0, 0, 1, tx, ty).
int translate(PdfDocument& doc, float tx, float ty);
/// Scales by sx and sy percent about (x, y); x or y of -1 means the current position.
int scaleAt(PdfDocument& doc, float sx, float sy, float x = -1, float y = -1);
/// Rotates by `angle` degrees counter-clockwise about (x, y); -1 means the current position.
int rotateAt(PdfDocument& doc, float angle, float x = -1, float y = -1);
/// Saves the graphics state ("q") so that a transformation can be undone by stopTransform.
/// A bracket still open when the page ends is closed there.
int startTransform(PdfDocument& doc);
/// Restores the state saved by the matching startTransform ("Q"); nothing when none is open.
int stopTransform(PdfDocument& doc);

}  // namespace korvalis
