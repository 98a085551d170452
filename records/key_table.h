#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "records/index_entries.h"
#include "records/record_entry.h"
#include "records/text_numbering.h"

namespace korvalis {

/// The search keys of the entries of a record file, gathered in file order: the distinct keys
/// numbered in order of first sight, how many entries carry each, and each entry's key numbers
/// (two bytes each while there are fewer than 65,536 distinct keys, else four). An entry's keys
/// are its info2, then its info5 items up to the first empty one, each without leading blanks,
/// and each key once per entry.
class KeyTable {
 public:
  explicit KeyTable(std::span<const RecordEntry> entries);

  /// The search index over the entries in list order: list position p holds the entry at file
  /// position order[p]. Elements are sorted by key (byte by byte), then by list position; the
  /// keys view the texts of the entries, whose bytes `bytes` owns. Uses the table up: its
  /// look-up structures are freed before the index is filled.
  IndexEntries buildIndex(std::span<const std::uint32_t> order,
                          std::shared_ptr<const std::string> bytes) &&;

 private:
  void append(std::uint32_t number);
  std::uint32_t numberAt(std::size_t i) const { return isWide_ ? wide_[i] : narrow_[i]; }
  std::size_t numberCount() const { return isWide_ ? wide_.size() : narrow_.size(); }

  TextNumbering numbering_;
  std::vector<std::uint32_t> counts_;     ///< entries per key number
  std::vector<std::uint32_t> starts_{0};  ///< entry f's numbers: starts_[f] .. starts_[f + 1]
  std::vector<std::uint16_t> narrow_;     ///< the numbers while they fit two bytes
  std::vector<std::uint32_t> wide_;       ///< the numbers once they do not
  bool isWide_ = false;
};

}  // namespace korvalis
