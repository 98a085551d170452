#include "records/record_search.h"

#include <cstring>

#include "platform/cp1252.h"

namespace korvalis {
namespace {

/// Positions of the keys that contain `needle` (lower case, no line break).
std::vector<std::size_t> matchingKeys(const SearchIndex& index, std::string_view needle) {
  std::vector<std::size_t> found;
  const std::string_view keys = index.lowerKeys();
  std::size_t from = 0;
  std::size_t key = 0;
  while (from < keys.size()) {
    const void* hit = memmem(keys.data() + from, keys.size() - from, needle.data(), needle.size());
    if (hit == nullptr) {
      break;
    }
    const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - keys.data());
    // The needle holds no line feed, so a match never spans two keys; find the key it is in.
    while (index.keyStart(key + 1) <= at) {
      ++key;
    }
    found.push_back(key);
    from = index.keyStart(key + 1);
    ++key;
  }
  return found;
}

}  // namespace

std::string rowNumberText(std::size_t row) {
  std::string text = std::to_string(row + 1);
  text += ' ';
  return text;
}

std::string searchStatusText(std::size_t count) {
  if (count == 0) {
    return " Keine Eintr\xE4ge gefunden.";
  }
  if (count == 1) {
    return " 1 Eintrag gefunden.";
  }
  // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on "literal" + std::string&&.
  std::string text(" ");
  text += std::to_string(count);
  text += " Eintr\xE4ge gefunden";
  return text;
}

std::optional<SearchResult> runSearch(const SearchIndex& index, RecordList& list,
                                      std::string_view text) {
  if (text.empty()) {
    return std::nullopt;
  }
  SearchResult result;
  result.title = "Suche: \"" + std::string(text) + "\"";
  if (text == "*") {
    result.hits.reserve(index.entries.size());
    for (std::size_t i = 0; i < index.entries.size(); ++i) {
      result.hits.push_back({i, index.entries[i].entry});
    }
  } else if (text.find_first_of("\r\n") == std::string_view::npos) {
    const std::string needle = cp1252LowerText(text);
    for (const std::size_t i : matchingKeys(index, needle)) {
      result.hits.push_back({i, index.entries[i].entry});
    }
  }
  if (!result.hits.empty()) {
    list.setCurrent(result.hits.back().entry);
  }
  result.status = searchStatusText(result.hits.size());
  return result;
}

}  // namespace korvalis
