#pragma once

#include <cstdint>

#include "records/record_header.h"
#include "records/record_list.h"
#include "records/search_index.h"

namespace korvalis {

/// The record data of the program: the sorted entries with the current entry, the search
/// index and the header fields. Replaced as a whole by every successful load.
struct RecordData {
  RecordList list;
  SearchIndex index;
  RecordHeader header;
  /// Counts successful loads; lets holders of entry identities (search rows) notice that the
  /// entries they refer to are gone.
  std::uint64_t generation = 0;
};

}  // namespace korvalis
