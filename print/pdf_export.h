#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace korvalis {

/// Margin fields of the export window, in millimetres.
struct PdfMargins {
  int top = 10, left = 10, right = 10, bottom = 10;
};

/// Layout of a one-page export, recomputed whenever a field or toggle changes.
struct PdfExportLayout {
  int imageWidth = 0, imageHeight = 0;
  int top = 0, bottomEdge = 0, left = 0, rightEdge = 0;
  int sheetWidth = 210, sheetHeight = 297;
  int fitWidth = 0, fitHeight = 0;
  PdfMargins fields;     ///< the margin fields after limiting
  PdfMargins maxFields;  ///< the largest value each field may take
};

/// Computes sheet size, margin limits and the image fit for an image of the given pixel size.
/// Margin fields beyond their limits are clamped so that the margins never meet.
PdfExportLayout updatePdfLayout(int imageWidth, int imageHeight, PdfMargins fields, bool landscape,
                                bool originalSize);

/// Writes a one-page PDF holding `jpeg` (a complete JPEG file, embedded unchanged and never
/// copied in memory). Returns 1 on success, 0 with `error` set to the writer's message otherwise;
/// on failure an existing file at `path` is left as it was.
int exportPdf(std::span<const std::uint8_t> jpeg, const PdfExportLayout& layout, bool landscape,
              bool originalSize, std::string_view path, std::string* error = nullptr);

/// One page of a PDF of several pages.
struct PdfExportPage {
  /// A complete JPEG file in memory (borrowed for the call), or empty to take `jpegFile`.
  std::span<const std::uint8_t> jpeg;
  /// A JPEG file, copied into the PDF while it is written (never held in memory whole).
  std::string jpegFile;
  PdfExportLayout layout;  ///< from updatePdfLayout for this page's image
  std::string title;       ///< outline entry of the page (Windows-1252); empty = none
};

/// Writes a PDF of one page per entry, in order, laid out as exportPdf lays out one page
/// (`landscape` and `originalSize` apply to each). Returns 1, or 0 with `error` set.
int exportPdfPages(std::span<const PdfExportPage> pages, bool landscape, bool originalSize,
                   std::string_view path, std::string* error = nullptr);

}  // namespace korvalis
