#include "print/print_layout.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "viewer/rotate.h"
#include "viewer/scale.h"

namespace korvalis {

namespace {

constexpr std::uint32_t kWhite = makePixel(255, 255, 255);

/// Copies `src` into `dst` with its top-left corner at (x, y), clipped to `dst`.
void blit(Image& dst, const Image& src, int x, int y) {
  const int x0 = std::max(x, 0);
  const int x1 = std::min(x + src.width(), dst.width());
  for (int sy = std::max(0, -y); sy < src.height() && y + sy < dst.height(); ++sy) {
    if (x0 < x1) {
      std::copy(src.row(sy) + (x0 - x), src.row(sy) + (x1 - x), dst.row(y + sy) + x0);
    }
  }
}

void verticalLine(Image& img, int x) {
  if (x >= 0 && x < img.width()) {
    for (int y = 0; y < img.height(); ++y) {
      img.setPixel(x, y, kPreviewLineColour);
    }
  }
}

void horizontalLine(Image& img, int y) {
  if (y >= 0 && y < img.height()) {
    std::fill(img.row(y), img.row(y) + img.width(), kPreviewLineColour);
  }
}

}  // namespace

void PrintLayout::setMargins(const PrintMargins& m) {
  marginTop = m.top;
  marginLeft = m.left;
  marginRight = m.right;
  marginBottom = m.bottom;
}

int millimetresToDevice(int mm, int pageWidth) {
  return static_cast<int>(std::lround(static_cast<double>(mm) * pageWidth / kSheetWidthMm));
}

int deviceToPreview(int px, int pageWidth) {
  if (pageWidth <= 0) {
    return 0;
  }
  return static_cast<int>(std::lround(static_cast<double>(px) * kSheetWidthMm / pageWidth));
}

void updatePrintLayout(PrintLayout& layout) {
  PrintLayout& l = layout;
  l.leftPx = millimetresToDevice(l.marginLeft, l.pageWidth);
  l.rightPx = millimetresToDevice(l.marginRight, l.pageWidth);
  l.topPx = millimetresToDevice(l.marginTop, l.pageWidth);
  l.bottomPx = millimetresToDevice(l.marginBottom, l.pageWidth);
  l.printableWidth = l.pageWidth - l.leftPx - l.rightPx;
  l.printableHeight = static_cast<int>(std::lround(
      static_cast<double>(l.pageWidth) * kSheetHeightMm / kSheetWidthMm - l.topPx - l.bottomPx));
  if (l.turned != 0) {
    std::swap(l.printableWidth, l.printableHeight);
  }
  if (l.printableWidth <= 0 || l.printableHeight <= 0 || l.imageWidth <= 0 || l.imageHeight <= 0) {
    l.printWidth = 0;
    l.printHeight = 0;
    return;
  }
  const double rw = static_cast<double>(l.imageWidth) / l.printableWidth;
  const double rh = static_cast<double>(l.imageHeight) / l.printableHeight;
  const double f = rh < rw ? rw : rh;
  l.printWidth = static_cast<int>(std::lround(l.imageWidth / f));
  l.printHeight = static_cast<int>(std::lround(l.imageHeight / f));
}

PrintPreviewGeometry printPreviewGeometry(const PrintLayout& layout) {
  PrintPreviewGeometry g;
  g.imageX = layout.marginLeft;
  g.imageY = layout.marginTop;
  g.imageWidth = deviceToPreview(layout.printWidth, layout.pageWidth);
  g.imageHeight = deviceToPreview(layout.printHeight, layout.pageWidth);
  if (layout.turned != 0) {
    std::swap(g.imageWidth, g.imageHeight);
  }
  g.lineLeft = layout.marginLeft;
  g.lineRight = kSheetWidthMm - layout.marginRight;
  g.lineTop = layout.marginTop;
  g.lineBottom = kSheetHeightMm - layout.marginBottom;
  return g;
}

Image renderPrintPreview(const PrintLayout& layout, const Image& image) {
  Image sheet = Image::filled(kSheetWidthMm, kSheetHeightMm, kWhite);
  const PrintPreviewGeometry g = printPreviewGeometry(layout);
  if (!image.isNull() && g.imageWidth > 0 && g.imageHeight > 0) {
    // Scaled in the printed image's own orientation, then turned as the print is.
    const bool turned = layout.turned != 0;
    const Image scaled = scaleImage(image, turned ? g.imageHeight : g.imageWidth,
                                    turned ? g.imageWidth : g.imageHeight);
    blit(sheet, turned ? rotateImage(scaled, 90) : scaled, g.imageX, g.imageY);
  }
  verticalLine(sheet, g.lineLeft);
  verticalLine(sheet, g.lineRight);
  horizontalLine(sheet, g.lineTop);
  horizontalLine(sheet, g.lineBottom);
  return sheet;
}

Image printPreviewSource(const Image& page) {
  constexpr int kMaxWidth = 2 * kSheetWidthMm;
  constexpr int kMaxHeight = 2 * kSheetHeightMm;
  if (page.isNull() || (page.width() <= kMaxWidth && page.height() <= kMaxHeight)) {
    return page;
  }
  const double f = std::max(static_cast<double>(page.width()) / kMaxWidth,
                            static_cast<double>(page.height()) / kMaxHeight);
  return scaleImage(page, std::max(1, static_cast<int>(std::lround(page.width() / f))),
                    std::max(1, static_cast<int>(std::lround(page.height() / f))));
}

PrintPlacement printPlacement(const PrintLayout& layout) {
  return {layout.leftPx,      layout.topPx,       layout.printWidth,
          layout.printHeight, layout.turned != 0, layout.pageWidth > layout.pageHeight};
}

}  // namespace korvalis
