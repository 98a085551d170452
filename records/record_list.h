#pragma once

#include <memory>
#include <string>
#include <vector>

#include "records/record_entry.h"

namespace korvalis {

/// All entries of the loaded record file, sorted by info1, info2, info3, info4, with the
/// current-entry cursor. An entry's identity is its position here.
struct RecordList {
  std::vector<RecordEntry> entries;
  EntryId current = kNoEntry;  ///< the current entry, kNoEntry while there is none
  /// The record file's bytes, which the entries' texts view; shared with the search index and
  /// the tree built from this list, so each stays valid as long as it lives.
  std::shared_ptr<const std::string> bytes;

  bool empty() const { return entries.empty(); }
  std::size_t size() const { return entries.size(); }
  /// The entry with this identity, or nullptr when there is none (kNoEntry, out of range).
  const RecordEntry* find(EntryId id) const { return id < entries.size() ? &entries[id] : nullptr; }
  RecordEntry* find(EntryId id) { return id < entries.size() ? &entries[id] : nullptr; }
  /// The current entry, or nullptr.
  const RecordEntry* currentEntry() const { return find(current); }
  /// Makes `id` current when it names an entry; returns whether it did.
  bool setCurrent(EntryId id) {
    if (id >= entries.size()) {
      return false;
    }
    current = id;
    return true;
  }
};

}  // namespace korvalis
