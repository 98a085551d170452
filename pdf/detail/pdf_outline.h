#pragma once

#include <span>

#include "pdf/pdf_document.h"

namespace korvalis {

/// Derives the outline tree from the levels in list order: a bookmark's parent is the closest
/// preceding bookmark one level higher (none for level 0, or when a level is skipped the
/// closest preceding one of a lower level); siblings are linked by prev/next and each parent
/// knows its first and last child. Levels below 0 count as 0.
void deriveOutlineTree(std::span<PdfBookmark> bookmarks);

}  // namespace korvalis
