// A citation of an archive page for a research log: where the page stands in the record file
// (the tree's four levels), the film and page, the APID, the page's archive address and the
// day it was viewed.
#pragma once

#include <array>
#include <chrono>
#include <string>
#include <string_view>

#include "records/record_list.h"

namespace korvalis {

/// One cited page. Texts are Windows-1252 bytes, as the record file holds them.
struct PageCitation {
  /// info1 to info4 of the record entry that holds the page, as the tree shows them; empty
  /// when the record file has no entry for the page.
  std::array<std::string, 4> levels;
  std::string id;    ///< nine-character film ID text
  std::string page;  ///< five-character page text
  std::string apid;  ///< empty when it is not known
  std::string address;
  std::string viewed;  ///< the day, ISO 8601 (YYYY-MM-DD)
};

/// The citation of page `page` of film `id` (normalised to their 9 and 5 characters) with
/// `apid` ("" or the unknown mark: not known), looked up in `list`. `servicePrefix` is the
/// archive's service base ending in "/das/v2/"; the address is built as the download links
/// build it.
PageCitation makePageCitation(const RecordList& list, std::string_view id, std::string_view page,
                              std::string_view apid, std::string_view servicePrefix,
                              std::string_view viewed);

/// The local calendar day of `when` as YYYY-MM-DD.
std::string isoDay(std::chrono::system_clock::time_point when);

/// The citation as plain text, one field per line with its German label ("\n" line ends).
std::string citationText(const PageCitation& citation);
/// The header line of the CSV form (no line end).
std::string citationCsvHeader();
/// The citation as one CSV row (comma-separated, no line end); fields with a comma, quote or
/// line break are quoted, quotes doubled.
std::string citationCsvRow(const PageCitation& citation);

}  // namespace korvalis
