#include "print/pdf_export.h"

#include <algorithm>
#include <cmath>

#include "pdf/pdf.h"

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

namespace {

/// Adds the page and places its image as the export window lays it out; 0 with the writer's
/// error when the image is refused.
int addExportPage(PdfDocument& doc, const PdfExportPage& page, std::size_t index, bool landscape,
                  bool originalSize) {
  const PdfExportLayout& layout = page.layout;
  // The writer finds images again by name: a file by its path (one image however often it is
  // shown), a block by its page.
  std::string name = page.jpegFile;
  if (!page.jpeg.empty())
    name = std::to_string(index).insert(0, 1, '*');
  const std::uint8_t* data = page.jpeg.empty() ? nullptr : page.jpeg.data();
  const auto size = static_cast<std::int32_t>(page.jpeg.size());
  if (originalSize) {
    if (!addPage(doc, "P",
                 std::to_string(layout.imageWidth) + "," + std::to_string(layout.imageHeight)))
      return 0;
    setMargins(doc, 0, 0, 0);
    if (!page.title.empty())
      addBookmark(doc, page.title, 0, 0);
    return placeImage(doc, name, data, size, 0, 0, 0, 0, 0);
  }
  if (!addPage(doc, landscape ? "L" : "P", "595.28,841.89"))
    return 0;
  setMargins(doc, static_cast<float>(layout.left), static_cast<float>(layout.top), -1);
  if (!page.title.empty())
    addBookmark(doc, page.title, 0, 0);
  const double f =
      fitFactor(layout.imageWidth, layout.imageHeight, layout.rightEdge - layout.left - 1,
                layout.bottomEdge - layout.top - 1);
  const auto w = static_cast<float>(std::lround(layout.imageWidth / f));
  const auto h = static_cast<float>(std::lround(layout.imageHeight / f));
  return placeImage(doc, name, data, size, static_cast<float>(layout.left),
                    static_cast<float>(layout.top), w + 1, h + 1, 0);
}

}  // namespace

int exportPdfPages(std::span<const PdfExportPage> pages, bool landscape, bool originalSize,
                   std::string_view path, std::string* error) {
  PdfDocument& doc = pdfWriter();
  int ok = pages.empty() ? 0 : 1;
  if (ok) {
    const PdfExportLayout& first = pages.front().layout;
    ok = originalSize ? createDocument(doc, "P", "pt",
                                       std::to_string(std::max(first.imageWidth, 1)) + "," +
                                           std::to_string(std::max(first.imageHeight, 1)))
                      : createDocument(doc, landscape ? "L" : "P", "mm", "595.28,841.89");
  }
  for (std::size_t i = 0; ok && i < pages.size(); ++i)
    ok = addExportPage(doc, pages[i], i, landscape, originalSize);
  if (ok) {
    setCreator(doc, "Korvalis");
    setDisplayMode(doc, -1, "/SinglePage");
    ok = saveDocument(doc, path);
  } else {
    // An image the writer rejected must not yield an empty page reported as success.
    const PdfError refused = doc.lastError;
    saveDocument(doc, "");
    doc.lastError = refused;
  }
  if (!ok && error)
    *error = std::string(lastErrorMessage(doc));
  return ok;
}

int exportPdf(std::span<const std::uint8_t> jpeg, const PdfExportLayout& layout, bool landscape,
              bool originalSize, std::string_view path, std::string* error) {
  const PdfExportPage page{jpeg, {}, layout, {}};
  return exportPdfPages(std::span(&page, 1), landscape, originalSize, path, error);
}

}  // namespace korvalis
