#include "records/record_search.h"

#include <cstring>

#include "platform/cp1252.h"

namespace korvalis {
namespace {

/// The distinct keys (in key order) that contain `needle` (lower case, no line break).
std::vector<std::size_t> matchingKeys(const IndexEntries& index, std::string_view needle) {
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
    while (index.lowerKeyStart(key + 1) <= at) {
      ++key;
    }
    found.push_back(key);
    from = index.lowerKeyStart(key + 1);
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
  const IndexEntries& elements = index.entries;
  const auto addRun = [&result, &elements](std::size_t key) {
    for (std::size_t i = elements.runStart(key); i < elements.runStart(key + 1); ++i) {
      result.hits.push_back({i, elements.entryAt(i)});
    }
  };
  if (text == "*") {
    result.hits.reserve(elements.size());
    for (std::size_t key = 0; key < elements.keyCount(); ++key) {
      addRun(key);
    }
  } else if (text.find_first_of("\r\n") == std::string_view::npos) {
    // Equal keys share one run, so each distinct key is tested once.
    for (const std::size_t key : matchingKeys(elements, cp1252LowerText(text))) {
      addRun(key);
    }
  }
  if (!result.hits.empty()) {
    list.setCurrent(result.hits.back().entry);
  }
  result.status = searchStatusText(result.hits.size());
  return result;
}

}  // namespace korvalis
