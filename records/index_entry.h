#pragma once

#include <string_view>

#include "records/record_entry.h"

namespace korvalis {

/// One element of the search index: a search key (Windows-1252, a view into the index's
/// bytes, valid while the index lives) and the entry it belongs to.
struct IndexEntry {
  EntryId entry = kNoEntry;
  std::string_view key;
};

}  // namespace korvalis
