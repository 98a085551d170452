#include "records/index_entries.h"

#include <algorithm>
#include <array>

#include "platform/cp1252.h"

namespace korvalis {
namespace {

/// cp1252Lower as a table, so lowering the keys stays a simple loop.
const std::array<char, 256>& lowerTable() {
  static const std::array<char, 256> table = [] {
    std::array<char, 256> t{};
    for (std::size_t b = 0; b < t.size(); ++b) {
      t[b] = static_cast<char>(cp1252Lower(static_cast<unsigned char>(b)));
    }
    return t;
  }();
  return table;
}

}  // namespace

IndexEntries::IndexEntries(std::shared_ptr<const std::string> bytes,
                           std::vector<std::string_view> keys, std::vector<std::uint32_t> runStarts,
                           std::vector<std::uint32_t> entries)
    : bytes_(std::move(bytes)),
      keys_(std::move(keys)),
      runStarts_(std::move(runStarts)),
      entries_(std::move(entries)) {
  const auto& lower = lowerTable();
  std::size_t total = 0;
  for (const std::string_view k : keys_) {
    total += k.size() + 1;
  }
  lowerKeys_.reserve(total);
  lowerStarts_.reserve(keys_.size() + 1);
  for (const std::string_view k : keys_) {
    for (const char c : k) {
      lowerKeys_.push_back(lower[static_cast<unsigned char>(c)]);
    }
    lowerKeys_.push_back('\n');
    lowerStarts_.push_back(static_cast<std::uint32_t>(lowerKeys_.size()));
  }
}

std::size_t IndexEntries::keyOf(std::size_t i) const {
  // The last run that starts at or before i; runs are never empty, but a search from the right
  // keeps the answer right even if one were.
  const auto after = std::upper_bound(runStarts_.begin(), runStarts_.end(), i);
  return static_cast<std::size_t>(after - runStarts_.begin()) - 1;
}

IndexEntry IndexEntries::operator[](std::size_t i) const {
  return {entries_[i], keys_[keyOf(i)]};
}

IndexEntry IndexEntries::Iterator::operator*() const {
  return {owner_->entries_[position_], owner_->keys_[key_]};
}

IndexEntries::Iterator& IndexEntries::Iterator::operator++() {
  ++position_;
  while (key_ < owner_->keys_.size() && owner_->runStarts_[key_ + 1] <= position_) {
    ++key_;
  }
  return *this;
}

IndexEntries::Iterator IndexEntries::Iterator::operator++(int) {
  Iterator before = *this;
  ++*this;
  return before;
}

}  // namespace korvalis
