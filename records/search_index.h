#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "records/index_entry.h"

namespace korvalis {

/// The search index: (key, entry) pairs sorted by key (byte by byte) and by entry among equal
/// keys, without duplicate pairs, plus a cursor. For fast searching it also keeps every key in
/// lower case, joined into one text with a line feed after each key (keys never hold a line
/// break); call prepareSearch() after changing `entries`.
class SearchIndex {
 public:
  std::vector<IndexEntry> entries;
  std::size_t cursor = 0;  ///< the index's own cursor (position in `entries`)

  /// Builds the lower-case key text from `entries`.
  void prepareSearch();
  /// Empties the index.
  void clear();
  /// Lower-case keys, each followed by '\n', in the order of `entries`.
  std::string_view lowerKeys() const { return lowerKeys_; }
  /// Start of key i in lowerKeys(); keyStart(entries.size()) is the text's length.
  std::size_t keyStart(std::size_t i) const { return keyStarts_[i]; }

 private:
  std::string lowerKeys_;
  std::vector<std::size_t> keyStarts_{0};
};

}  // namespace korvalis
