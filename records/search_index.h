#pragma once

#include <cstddef>

#include "records/index_entries.h"

namespace korvalis {

/// The search index: (key, entry) pairs sorted by key (byte by byte) and by entry among equal
/// keys, without duplicate pairs, plus a cursor of its own.
struct SearchIndex {
  IndexEntries entries;
  std::size_t cursor = 0;  ///< the index's own cursor (position in `entries`)

  /// Empties the index.
  void clear() {
    entries = IndexEntries();
    cursor = 0;
  }
};

}  // namespace korvalis
