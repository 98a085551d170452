#pragma once

#include <string>
#include <string_view>

#include "records/record_list.h"

namespace korvalis {

class MainView;

/// The info window's text for `entry`: lines joined by CR, TAB characters included, the info5
/// items (separated by ", ") each on a line of their own indented by a TAB. For nullptr the
/// same lines with the labels alone.
std::string entryInfoText(const RecordEntry* entry);

/// The first page of a page range: the part before "-" (the whole text without a "-").
std::string_view firstPageOf(std::string_view pages);
/// The last page of a page range: the part after "-"; empty without a "-", so a range such as
/// "00001" holds no page.
std::string_view lastPageOf(std::string_view pages);

/// The information refresh for the tree's selected item: when `selectedLeafEntry` names an
/// entry (the selected item is a leaf), make it current and copy its APID, ID and first page
/// into the view's fields (when `view` is not nullptr). Returns the info window's text: the
/// current entry's for a leaf, the labels alone otherwise.
std::string refreshEntryInfo(RecordList& list, EntryId selectedLeafEntry, MainView* view);

/// The first entry (in list order) whose id equals `id` and whose page range holds `page`
/// (first page <= page <= last page, compared as texts byte by byte; a range without "-" has an
/// empty last page and holds none); kNoEntry when there is none.
EntryId findEntryByIdAndPage(const RecordList& list, std::string_view id, std::string_view page);

}  // namespace korvalis
