#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "records/record_list.h"

namespace korvalis {

class Platform;

/// One item of the record tree, in display order.
struct TreeItem {
  int level = 0;  ///< 0 root, 1-3 the groups of info1-info3, 4 an entry's leaf
  /// Windows-1252; a view into the texts the RecordTree holding the item keeps alive.
  std::string_view text;
  EntryId entry = kNoEntry;  ///< the entry of a leaf; kNoEntry for the other items
};

/// The record tree as a flat list in display order (root at position 0), with the message
/// that stopped the building, if any.
struct RecordTree {
  std::vector<TreeItem> items;
  std::string message;  ///< empty when every entry got its leaf
  /// The owners of the bytes the item texts view: the record file's bytes (shared with the list
  /// the tree was built from) and the root's text. A tree stays readable after its list is gone.
  std::shared_ptr<const std::string> fileBytes;
  std::shared_ptr<const std::string> rootText;

  /// Position of the first leaf, or -1.
  int firstLeaf() const;
  /// The items to expand to reveal `item`: walking back from it, each item whose level is
  /// below the level still sought (which then drops by one). Nearest first; empty for the
  /// root or a position out of range.
  std::vector<int> ancestorsOf(int item) const;
};

/// Builds the tree of `list` (sorted) under a root with `rootText`, and records each entry's
/// leaf position in its treeItem (-1 for entries without a leaf). Stops at the first entry
/// with an empty info1, info2 or info3 (no item for it) or info4 (leaf "{leer}" added), and
/// puts the matching message into RecordTree::message.
RecordTree buildTreeItems(RecordList& list, std::string_view rootText);

/// buildTreeItems(), then shows its message, if any, through the platform (title "Fehler!",
/// error sign).
RecordTree buildTree(RecordList& list, std::string_view rootText, Platform& platform);

}  // namespace korvalis
