#include "records/value_ranks.h"

#include <algorithm>

#include "records/text_numbering.h"

namespace korvalis {

std::vector<std::uint32_t> byteOrder(const std::vector<std::string_view>& texts) {
  std::vector<std::uint32_t> order(texts.size());
  for (std::uint32_t i = 0; i < order.size(); ++i) {
    order[i] = i;
  }
  std::sort(order.begin(), order.end(),
            [&texts](std::uint32_t a, std::uint32_t b) { return texts[a] < texts[b]; });
  return order;
}

std::vector<std::uint32_t> rankTexts(std::size_t count,
                                     const std::function<std::string_view(std::size_t)>& textAt,
                                     std::size_t* distinctCount) {
  // Number the distinct texts in order of appearance, sort the distinct ones, then map.
  TextNumbering numbering;
  std::vector<std::uint32_t> numberOf(count);
  for (std::size_t i = 0; i < count; ++i) {
    numberOf[i] = numbering.add(textAt(i));
  }
  const std::vector<std::uint32_t> sorted = byteOrder(numbering.texts());
  std::vector<std::uint32_t> rankOf(sorted.size());
  for (std::uint32_t rank = 0; rank < sorted.size(); ++rank) {
    rankOf[sorted[rank]] = rank;
  }
  for (std::uint32_t& value : numberOf) {
    value = rankOf[value];
  }
  if (distinctCount != nullptr) {
    *distinctCount = sorted.size();
  }
  return numberOf;
}

}  // namespace korvalis
