#include "records/key_table.h"

#include <algorithm>
#include <limits>

#include "records/value_ranks.h"

namespace korvalis {
namespace {

/// Calls `add` with the index keys of one entry: its info2, then the info5 items up to the first
/// empty one, each without leading blanks.
template <typename Add>
void forEachKey(const RecordEntry& entry, Add&& add) {
  add(entry.info2());
  std::string_view rest = entry.info5();
  while (true) {
    const std::size_t comma = rest.find(',');
    std::string_view item = rest.substr(0, comma);
    if (item.empty()) {
      return;
    }
    item.remove_prefix(std::min(item.find_first_not_of(' '), item.size()));
    add(item);
    if (comma == std::string_view::npos) {
      return;
    }
    rest.remove_prefix(comma + 1);
  }
}

}  // namespace

KeyTable::KeyTable(std::span<const RecordEntry> entries) {
  // An entry has at most two keys more than its info5 has commas (its info2, and one item more
  // than commas); reserving that much at once spares the copies of a growing list.
  std::size_t most = 0;
  for (const RecordEntry& entry : entries) {
    const std::string_view info5 = entry.info5();
    most += 2 + static_cast<std::size_t>(std::count(info5.begin(), info5.end(), ','));
  }
  narrow_.reserve(most);
  starts_.reserve(entries.size() + 1);
  for (const RecordEntry& entry : entries) {
    const std::size_t first = starts_.back();
    forEachKey(entry, [&](std::string_view key) {
      const std::uint32_t n = numbering_.add(key);
      // An entry names only a few keys; one it names twice (its info2 again among the info5
      // items) counts once.
      for (std::size_t i = first; i < numberCount(); ++i) {
        if (numberAt(i) == n) {
          return;
        }
      }
      append(n);
      if (n >= counts_.size()) {
        counts_.resize(n + 1, 0);
      }
      ++counts_[n];
    });
    starts_.push_back(static_cast<std::uint32_t>(numberCount()));
  }
}

void KeyTable::append(std::uint32_t number) {
  if (!isWide_ && number > std::numeric_limits<std::uint16_t>::max()) {
    wide_.reserve(narrow_.capacity());
    wide_.assign(narrow_.begin(), narrow_.end());
    narrow_ = {};
    isWide_ = true;
  }
  if (isWide_) {
    wide_.push_back(number);
  } else {
    narrow_.push_back(static_cast<std::uint16_t>(number));
  }
}

IndexEntries KeyTable::buildIndex(std::span<const std::uint32_t> order,
                                  std::shared_ptr<const std::string> bytes) && {
  // The distinct keys sorted once; each key's run of elements starts where the counts of the
  // keys before it end.
  const std::vector<std::string_view> distinct = numbering_.takeTexts();
  const std::vector<std::uint32_t> byText = byteOrder(distinct);
  std::vector<std::string_view> keys(distinct.size());
  std::vector<std::uint32_t> runStarts(distinct.size() + 1, 0);
  std::vector<std::uint32_t> nextSlot(distinct.size());  // per key number, in its run
  for (std::size_t rank = 0; rank < byText.size(); ++rank) {
    const std::uint32_t n = byText[rank];
    keys[rank] = distinct[n];
    nextSlot[n] = runStarts[rank];
    runStarts[rank + 1] = runStarts[rank] + counts_[n];
  }
  // Placing the entries in list order leaves each run ascending.
  std::vector<std::uint32_t> elements(runStarts.back());
  for (std::uint32_t p = 0; p < order.size(); ++p) {
    const std::uint32_t f = order[p];
    for (std::size_t i = starts_[f]; i < starts_[f + 1]; ++i) {
      elements[nextSlot[numberAt(i)]++] = p;
    }
  }
  return IndexEntries(std::move(bytes), std::move(keys), std::move(runStarts), std::move(elements));
}

}  // namespace korvalis
