#include "pdf/annotations/pdf_bookmarks.h"

#include "pdf/detail/output.h"

#include "pdf/detail/page_destination.h"
#include "pdf/detail/pdf_outline.h"
#include "pdf/detail/pdf_string.h"

namespace korvalis {

int addBookmark(PdfDocument& doc, std::string_view title, int level, float y) {
  PdfBookmark mark;
  mark.title = title;
  mark.level = level;
  mark.y = y == -1 ? doc.y : y;
  mark.page = doc.pageCount;
  doc.bookmarks.push_back(std::move(mark));
  return 1;
}

void putBookmarks(PdfDocument& doc) {
  if (doc.bookmarks.empty())
    return;
  deriveOutlineTree(doc.bookmarks);
  const int base = doc.objectCount + 1;
  const int count = static_cast<int>(doc.bookmarks.size());
  const int root = base + count;
  const auto reference = [base](int index) { return std::to_string(base + index) + " 0 R"; };
  int lastTopLevel = 0;
  for (int i = 0; i < count; ++i) {
    const PdfBookmark& mark = doc.bookmarks[static_cast<std::size_t>(i)];
    if (mark.parent < 0)
      lastTopLevel = i;
    newObject(doc);
    out(doc, "<</Title " + pdfString(mark.title));
    out(doc,
        "/Parent " + (mark.parent >= 0 ? reference(mark.parent) : std::to_string(root) + " 0 R"));
    if (mark.prev >= 0)
      out(doc, "/Prev " + reference(mark.prev));
    if (mark.next >= 0)
      out(doc, "/Next " + reference(mark.next));
    if (mark.first >= 0)
      out(doc, "/First " + reference(mark.first));
    if (mark.last >= 0)
      out(doc, "/Last " + reference(mark.last));
    out(doc, "/Dest " + pageDestination(doc, mark.page, mark.y));
    out(doc, "/Count 0>>");
    out(doc, "endobj");
  }
  doc.outlineRoot = newObject(doc);
  out(doc, "<</Type /Outlines /First " + reference(0));
  out(doc, "/Last " + reference(lastTopLevel) + ">>");
  out(doc, "endobj");
}

void putOutlineCatalogEntries(PdfDocument& doc) {
  if (doc.outlineRoot == 0)
    return;
  out(doc, "/Outlines " + std::to_string(doc.outlineRoot) + " 0 R");
  out(doc, "/PageMode /UseOutlines");
}

}  // namespace korvalis
