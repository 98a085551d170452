#include "print/pdf_export.h"

#include <algorithm>
#include <cmath>

#include "pdf/pdf_document.h"

namespace korvalis {

namespace {

/// Scale factor that makes the image fit the area in one direction, keeping proportions.
double fitFactor(int imageWidth, int imageHeight, int areaWidth, int areaHeight) {
  const double rw = static_cast<double>(imageWidth) / std::max(areaWidth, 1);
  const double rh = static_cast<double>(imageHeight) / std::max(areaHeight, 1);
  const double f = rh < rw ? rw : rh;
  return f > 0 ? f : 1;
}

}  // namespace

PdfExportLayout updatePdfLayout(int imageWidth, int imageHeight, PdfMargins fields, bool landscape,
                                bool originalSize) {
  PdfExportLayout l;
  l.imageWidth = imageWidth;
  l.imageHeight = imageHeight;
  if (originalSize) {
    l.sheetWidth = l.sheetHeight = 297;
    fields = {0, 0, 0, 0};
  } else {
    l.sheetWidth = landscape ? 297 : 210;
    l.sheetHeight = landscape ? 210 : 297;
  }
  fields.top = std::max(fields.top, 0);
  fields.left = std::max(fields.left, 0);
  fields.right = std::max(fields.right, 0);
  fields.bottom = std::max(fields.bottom, 0);
  // Limits so that the margins cannot meet; clamp one after the other so the pair stays valid.
  l.maxFields.top = l.sheetHeight - fields.bottom - 2;
  fields.top = std::min(fields.top, std::max(l.maxFields.top, 0));
  l.maxFields.bottom = l.sheetHeight - fields.top - 2;
  fields.bottom = std::min(fields.bottom, std::max(l.maxFields.bottom, 0));
  l.maxFields.left = l.sheetWidth - fields.right - 2;
  fields.left = std::min(fields.left, std::max(l.maxFields.left, 0));
  l.maxFields.right = l.sheetWidth - fields.left - 2;
  fields.right = std::min(fields.right, std::max(l.maxFields.right, 0));
  l.fields = fields;
  l.top = fields.top - 1;
  l.left = fields.left - 1;
  const int right = fields.right - 1, bottom = fields.bottom - 1;
  const double f = fitFactor(imageWidth, imageHeight, l.sheetWidth - l.left - right,
                             l.sheetHeight - l.top - bottom);
  l.fitWidth = static_cast<int>(std::lround(imageWidth / f));
  l.fitHeight = static_cast<int>(std::lround(imageHeight / f));
  l.rightEdge = l.sheetWidth - right - 1;
  l.bottomEdge = l.sheetHeight - bottom - 1;
  return l;
}

int exportPdf(std::span<const std::uint8_t> jpeg, const PdfExportLayout& layout, bool landscape,
              bool originalSize, std::string_view path, std::string* error) {
  PdfDocument& doc = pdfWriter();
  const auto size = static_cast<std::int32_t>(jpeg.size());
  if (originalSize) {
    createDocument(doc, "P", "pt",
                   std::to_string(layout.imageWidth) + "," + std::to_string(layout.imageHeight));
    setMargins(doc, 0, 0, 0);
    addPage(doc);
    placeImage(doc, "", jpeg.data(), size, 0, 0, 0, 0, 0);
  } else {
    createDocument(doc, landscape ? "L" : "P", "mm", "595.28,841.89");
    addPage(doc);
    setMargins(doc, static_cast<float>(layout.left), static_cast<float>(layout.top), -1);
    const double f =
        fitFactor(layout.imageWidth, layout.imageHeight, layout.rightEdge - layout.left - 1,
                  layout.bottomEdge - layout.top - 1);
    const auto w = static_cast<float>(std::lround(layout.imageWidth / f));
    const auto h = static_cast<float>(std::lround(layout.imageHeight / f));
    placeImage(doc, "", jpeg.data(), size, static_cast<float>(layout.left),
               static_cast<float>(layout.top), w + 1, h + 1, 0);
  }
  // An image the writer rejected must not yield an empty page reported as success.
  const int placeError = doc.lastError;
  setCreator(doc, "Korvalis");
  setDisplayMode(doc, -1, "/SinglePage");
  if (placeError != 0) {
    saveDocument(doc, "");
    doc.lastError = placeError;
  } else if (saveDocument(doc, path) == 1) {
    return 1;
  }
  if (error)
    *error = std::string(lastErrorMessage(doc));
  return 0;
}

}  // namespace korvalis
