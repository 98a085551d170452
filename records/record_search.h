#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/record_list.h"
#include "records/search_index.h"

namespace korvalis {

/// One row of the search result: the index element and the entry it belongs to.
struct SearchHit {
  std::size_t indexPosition = 0;
  EntryId entry = kNoEntry;
};

/// What a search found, ready for the search-result window.
struct SearchResult {
  std::string title;            ///< "Suche: \"text\""
  std::vector<SearchHit> hits;  ///< in index order; row n shows rowNumberText(n) and the key
  std::string status;           ///< the status-bar text for the number of hits
};

/// Column 0 of row `row` (0-based): the running number from 1, followed by a blank.
std::string rowNumberText(std::size_t row);

/// The status-bar text for `count` hits: " Keine Einträge gefunden.", " 1 Eintrag gefunden."
/// or " N Einträge gefunden".
std::string searchStatusText(std::size_t count);

/// Searches the index: "*" lists every key; any other text lists the keys that contain it,
/// compared in Windows-1252 lower case. The last hit's entry becomes current. An empty text
/// does nothing and returns nothing.
std::optional<SearchResult> runSearch(const SearchIndex& index, RecordList& list,
                                      std::string_view text);

}  // namespace korvalis
