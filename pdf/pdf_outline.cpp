#include "pdf/detail/pdf_outline.h"

#include <vector>

namespace korvalis {

void deriveOutlineTree(std::span<PdfBookmark> bookmarks) {
  // lastAtLevel[l]: index of the latest bookmark seen at level l on the current branch.
  std::vector<int> lastAtLevel;
  int lastTopLevel = -1;
  for (std::size_t i = 0; i < bookmarks.size(); ++i) {
    PdfBookmark& mark = bookmarks[i];
    const int index = static_cast<int>(i);
    mark.level = mark.level < 0 ? 0 : mark.level;
    mark.parent = mark.first = mark.last = mark.prev = mark.next = -1;
    // The parent: the closest open bookmark of a lower level.
    const auto depth = static_cast<std::size_t>(mark.level);
    if (lastAtLevel.size() > depth) {
      lastAtLevel.resize(depth);
    }
    for (std::size_t l = lastAtLevel.size(); l-- > 0;) {
      if (lastAtLevel[l] >= 0) {
        mark.parent = lastAtLevel[l];
        break;
      }
    }
    // The previous sibling: the parent's last child so far (or the last top-level bookmark).
    int& siblingTail =
        mark.parent >= 0 ? bookmarks[static_cast<std::size_t>(mark.parent)].last : lastTopLevel;
    if (siblingTail >= 0) {
      mark.prev = siblingTail;
      bookmarks[static_cast<std::size_t>(siblingTail)].next = index;
    } else if (mark.parent >= 0) {
      bookmarks[static_cast<std::size_t>(mark.parent)].first = index;
    }
    siblingTail = index;
    lastAtLevel.resize(depth + 1, -1);
    lastAtLevel[depth] = index;
  }
}

}  // namespace korvalis
