#include "records/search_index.h"

#include <array>

#include "platform/cp1252.h"

namespace korvalis {
namespace {

/// cp1252Lower as a table, so lowering a large index stays a simple loop.
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

void SearchIndex::prepareSearch() {
  const auto& lower = lowerTable();
  std::size_t total = 0;
  for (const IndexEntry& e : entries) {
    total += e.key.size() + 1;
  }
  lowerKeys_.clear();
  lowerKeys_.reserve(total);
  keyStarts_.clear();
  keyStarts_.reserve(entries.size() + 1);
  keyStarts_.push_back(0);
  for (const IndexEntry& e : entries) {
    for (const char c : e.key) {
      lowerKeys_.push_back(lower[static_cast<unsigned char>(c)]);
    }
    lowerKeys_.push_back('\n');
    keyStarts_.push_back(lowerKeys_.size());
  }
}

void SearchIndex::clear() {
  entries.clear();
  cursor = 0;
  lowerKeys_.clear();
  keyStarts_.assign(1, 0);
}

}  // namespace korvalis
