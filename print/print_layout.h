#pragma once

#include <cstdint>

#include "platform/image.h"
#include "platform/printer.h"

namespace korvalis {

/// Margins of the print window's four fields, in millimetres.
struct PrintMargins {
  int top = 15, left = 15, right = 15, bottom = 15;
};

/// The layout of one printed page. Every sheet is modelled as A4 portrait: millimetres are
/// converted with the page's width taken as 210 mm, and the printable height follows from that
/// width in the ratio 297 : 210 (the device's page height is not used).
struct PrintLayout {
  int pageWidth = 0;   ///< width of the printer page in device pixels
  int pageHeight = 0;  ///< height of the printer page in device pixels
  int marginRight = 15, marginLeft = 15, marginTop = 15, marginBottom = 15;  ///< millimetres
  int rightPx = 0, leftPx = 0, topPx = 0, bottomPx = 0;                      ///< device pixels
  int printableWidth = 0;               ///< printable area in device pixels, swapped when turned
  int printableHeight = 0;              ///< printable area in device pixels, swapped when turned
  int imageWidth = 0, imageHeight = 0;  ///< the image to print, in pixels
  int printWidth = 0, printHeight = 0;  ///< the printed image (before turning), device pixels
  int turned = 0;                       ///< 1 when the output is turned a quarter counter-clockwise

  PrintMargins margins() const { return {marginTop, marginLeft, marginRight, marginBottom}; }
  void setMargins(const PrintMargins& m);
};

/// The A4 sheet the layout models, in millimetres.
inline constexpr int kSheetWidthMm = 210;
inline constexpr int kSheetHeightMm = 297;

/// Millimetres to device pixels on a page `pageWidth` pixels wide (taken as 210 mm), rounded.
int millimetresToDevice(int mm, int pageWidth);
/// Device pixels to preview pixels (one per millimetre), rounded.
int deviceToPreview(int px, int pageWidth);

/// Recomputes the pixel margins, the printable area and the fit from pageWidth, the four
/// millimetre margins, the image size and `turned`. The image keeps its proportions and fills
/// the printable area in one direction. A printable area or image without pixels gives a
/// print size of 0 x 0.
void updatePrintLayout(PrintLayout& layout);

/// The preview of the sheet, one pixel per millimetre: where the image goes (already turned
/// when the layout is) and where the four grey margin lines run.
struct PrintPreviewGeometry {
  int imageX = 0, imageY = 0, imageWidth = 0, imageHeight = 0;
  int lineLeft = 0, lineRight = 0, lineTop = 0, lineBottom = 0;
};
PrintPreviewGeometry printPreviewGeometry(const PrintLayout& layout);

/// The colour of the margin lines in the preview.
inline constexpr std::uint32_t kPreviewLineColour = makePixel(192, 192, 192);

/// Draws the 210 x 297 preview: a white sheet, `image` scaled to the preview size of the printed
/// image (and turned when the layout is) at the margins' corner, then the grey lines over the
/// whole sheet. `image` may be a reduced copy of the page: only its proportions matter.
Image renderPrintPreview(const PrintLayout& layout, const Image& image);

/// A reduced copy of `page` that renders previews as well as the page itself (at most twice the
/// preview's size); the page itself when it is already that small.
Image printPreviewSource(const Image& page);

/// Where the printing service draws the image for this layout; the sheet is landscape when the
/// layout's page is wider than tall.
PrintPlacement printPlacement(const PrintLayout& layout);

}  // namespace korvalis
