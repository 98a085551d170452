#include "records/value_ranks.h"

#include <algorithm>
#include <unordered_map>

namespace korvalis {

std::vector<std::uint32_t> rankTexts(std::span<const std::string_view> texts) {
  // Number the distinct texts in order of appearance, sort the distinct ones, then map.
  std::unordered_map<std::string_view, std::uint32_t> ids;
  ids.reserve(texts.size() / 2 + 16);
  std::vector<std::string_view> distinct;
  std::vector<std::uint32_t> idOf(texts.size());
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const auto [it, added] = ids.try_emplace(texts[i], static_cast<std::uint32_t>(distinct.size()));
    if (added) {
      distinct.push_back(texts[i]);
    }
    idOf[i] = it->second;
  }
  std::vector<std::uint32_t> byText(distinct.size());
  for (std::uint32_t id = 0; id < byText.size(); ++id) {
    byText[id] = id;
  }
  std::sort(byText.begin(), byText.end(),
            [&distinct](std::uint32_t a, std::uint32_t b) { return distinct[a] < distinct[b]; });
  std::vector<std::uint32_t> rankOfId(distinct.size());
  for (std::uint32_t rank = 0; rank < byText.size(); ++rank) {
    rankOfId[byText[rank]] = rank;
  }
  for (std::uint32_t& value : idOf) {
    value = rankOfId[value];
  }
  return idOf;
}

}  // namespace korvalis
