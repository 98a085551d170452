#pragma once

#include <ctime>
#include <string_view>

#include "pdf/pdf_document.h"

namespace korvalis {

/// Appends an undefined link and returns its identifier (the new number of links).
int addLink(PdfDocument& doc);

/// Makes link `id` a web link (non-empty `address`) or a jump to page `page` at `y` (user units
/// from the top). y -1 = the current y, page -1 = the current page. Unknown ids are ignored.
int setLinkTarget(PdfDocument& doc, int id, float y, int page, std::string_view address);

/// Makes link `id` launch `file` in `directory`; an operation starting with "p"/"P" prints,
/// anything else opens. y and page as in setLinkTarget.
int setLaunchTarget(PdfDocument& doc, int id, float y, int page, std::string_view file,
                    std::string_view directory, std::string_view operation,
                    std::string_view parameters);

/// Makes link `id` a text note with the given icon (unknown names become "Note"), contents,
/// title and modification date (local time).
int setTextNote(PdfDocument& doc, int id, float y, int page, std::string_view icon,
                std::string_view contents, std::string_view title, std::time_t date);

/// Makes link `id` a text note with a pop-up window of popupWidth x popupHeight user units and
/// the annotation flags `flags`.
int setPopupNote(PdfDocument& doc, int id, float y, int page, std::string_view icon,
                 std::string_view contents, std::string_view title, float popupWidth,
                 float popupHeight, int flags, std::time_t date);

/// Places the clickable area of link `id` on the current page: (x, y) is the top-left corner,
/// w x h the size, all in user units. Ids below 1 or unknown are ignored.
int setLinkArea(PdfDocument& doc, float x, float y, float w, float h, int id);

}  // namespace korvalis
