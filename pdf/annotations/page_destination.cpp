#include "pdf/detail/page_destination.h"

#include <algorithm>

#include "pdf/detail/output.h"

namespace korvalis {

namespace {

int clampedPage(const PdfDocument& doc, int page) {
  return std::clamp(page, 1, std::max(doc.pageCount, 1));
}

}  // namespace

int pageObjectNumber(const PdfDocument& doc, int page) {
  page = clampedPage(doc, page);
  const auto index = static_cast<std::size_t>(page - 1);
  if (index < doc.pageObjectNumbers.size())
    return doc.pageObjectNumbers[index];
  if (!doc.pageObjectNumbers.empty())
    return doc.pageObjectNumbers.front() + 2 * (page - 1);
  return 2 * page + 1;
}

std::string pageDestination(const PdfDocument& doc, int page, float y) {
  const auto index = static_cast<std::size_t>(clampedPage(doc, page) - 1);
  // The target page's own height, so a jump into a page of another orientation lands right.
  const float height =
      index < doc.pageSizes.size() ? doc.pageSizes[index].height : doc.pageHeightPt;
  std::string destination(1, '[');
  destination += std::to_string(pageObjectNumber(doc, page));
  destination += " 0 R /XYZ 0 ";
  destination += formatNumber(height - y * doc.scale, 2).value_or("0");
  return destination + " null]";
}

}  // namespace korvalis
