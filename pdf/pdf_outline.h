#pragma once

#include <span>
#include <string>

namespace korvalis {

/// One bookmark of the document outline, in the order it was added.
struct PdfBookmark {
  std::string title;  ///< Windows-1252 text
  int level = 0;      ///< 0 = top level
  float y = 0;        ///< position on its page, user units from the top
  int page = 0;       ///< 1-based page number
  int parent = -1;    ///< index of the parent bookmark; -1 = the outline dictionary
  int first = -1;     ///< index of the first child; -1 = none
  int last = -1;      ///< index of the last child; -1 = none
  int prev = -1;      ///< index of the previous sibling; -1 = none
  int next = -1;      ///< index of the next sibling; -1 = none
};

/// Derives the outline tree from the levels in list order: a bookmark's parent is the closest
/// preceding bookmark one level higher (none for level 0, or when a level is skipped the
/// closest preceding one of a lower level); siblings are linked by prev/next and each parent
/// knows its first and last child. Levels below 0 count as 0.
void deriveOutlineTree(std::span<PdfBookmark> bookmarks);

}  // namespace korvalis
