#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "records/index_entry.h"

namespace korvalis {

/// The elements of the search index in their order: by key (byte by byte), then by entry,
/// without two equal (key, entry) pairs. Held compactly: each distinct key once, as a view into
/// the record file's bytes, followed by the run of entries that carry it; element i is
/// (entries of the runs in key order)[i]. Also keeps the distinct keys in lower case for the
/// search. Elements are read by value (IndexEntry).
class IndexEntries {
 public:
  /// Reads the elements in order.
  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = IndexEntry;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = IndexEntry;

    Iterator() = default;
    IndexEntry operator*() const;
    Iterator& operator++();
    Iterator operator++(int);
    bool operator==(const Iterator& other) const { return position_ == other.position_; }

   private:
    friend class IndexEntries;
    Iterator(const IndexEntries* owner, std::size_t position, std::size_t key)
        : owner_(owner), position_(position), key_(key) {}
    const IndexEntries* owner_ = nullptr;
    std::size_t position_ = 0;
    std::size_t key_ = 0;  ///< the distinct key of the element at position_
  };

  IndexEntries() = default;
  /// `keys`: the distinct keys in ascending byte order, viewing `bytes` (or static text);
  /// `runStarts`: keys.size() + 1 ascending positions, the run of key k being elements
  /// runStarts[k] up to runStarts[k + 1]; `entries`: the entry of each element, ascending within
  /// each run.
  IndexEntries(std::shared_ptr<const std::string> bytes, std::vector<std::string_view> keys,
               std::vector<std::uint32_t> runStarts, std::vector<std::uint32_t> entries);

  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  /// Element `i` (< size()).
  IndexEntry operator[](std::size_t i) const;
  /// The entry of element `i` (< size()).
  EntryId entryAt(std::size_t i) const { return entries_[i]; }
  Iterator begin() const { return {this, 0, firstKeyAt(0)}; }
  Iterator end() const { return {this, entries_.size(), keys_.size()}; }

  /// The number of distinct keys, and key k of them in ascending order.
  std::size_t keyCount() const { return keys_.size(); }
  std::string_view key(std::size_t k) const { return keys_[k]; }
  /// The first element of key k's run; runStart(keyCount()) is size().
  std::size_t runStart(std::size_t k) const { return runStarts_[k]; }
  /// The distinct keys in Windows-1252 lower case in key order, each followed by '\n' (keys
  /// never hold a line break).
  std::string_view lowerKeys() const { return lowerKeys_; }
  /// Where key k starts in lowerKeys(); lowerKeyStart(keyCount()) is the text's length.
  std::size_t lowerKeyStart(std::size_t k) const { return lowerStarts_[k]; }

 private:
  /// The distinct key whose run holds element i, skipping empty runs.
  std::size_t keyOf(std::size_t i) const;
  std::size_t firstKeyAt(std::size_t i) const { return i < entries_.size() ? keyOf(i) : 0; }

  std::shared_ptr<const std::string> bytes_;
  std::vector<std::string_view> keys_;
  std::vector<std::uint32_t> runStarts_{0};
  std::vector<std::uint32_t> entries_;
  std::string lowerKeys_;
  std::vector<std::uint32_t> lowerStarts_{0};
};

}  // namespace korvalis
