#pragma once

#include <string>

#include "records/record_entry.h"

namespace korvalis {

/// One element of the search index: a search key (Windows-1252) and the entry it belongs to.
struct IndexEntry {
  EntryId entry = kNoEntry;
  std::string key;
};

}  // namespace korvalis
