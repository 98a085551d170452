#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace korvalis {

/// The identity of an entry: its position in the sorted RecordList. The tree's leaves, the
/// search index, the search-result rows and the current-entry cursor all use it.
using EntryId = std::size_t;

/// No entry (a tree item that is not a leaf, an empty cursor).
inline constexpr EntryId kNoEntry = static_cast<EntryId>(-1);

/// One archive entry, one data line of a record file. Texts are Windows-1252 bytes as stored.
struct RecordEntry {
  std::int32_t treeItem = -1;  ///< position of the entry's leaf in the tree; -1 without a leaf
  std::string info2;           ///< column 2
  std::string info3;           ///< column 3
  std::string info4;           ///< column 4
  std::string apid;            ///< column 5, the archive's identifier; not validated
  std::string id;              ///< column 6, nine decimal digits
  std::string pages;           ///< column 7, "first-last" with five digits each; "00001" if empty
  std::string info1;           ///< column 1
  std::string info5;           ///< column 8, further search terms separated by ","
};

}  // namespace korvalis
