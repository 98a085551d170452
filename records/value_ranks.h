#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace korvalis {

/// The positions 0 to texts.size() - 1 ordered by their texts in byte order (unsigned bytes, as
/// std::string_view compares).
std::vector<std::uint32_t> byteOrder(const std::vector<std::string_view>& texts);

/// The texts `textAt(0)` to `textAt(count - 1)` ranked among the distinct ones in byte order
/// (unsigned bytes, as std::string_view compares): equal texts get equal ranks, and rank a <
/// rank b exactly when the texts compare less. Sorting by ranks then compares small integers
/// instead of texts, which matters when many texts are equal or share long beginnings.
/// `distinctCount`, when given, receives the number of distinct texts (one past the largest
/// rank).
std::vector<std::uint32_t> rankTexts(std::size_t count,
                                     const std::function<std::string_view(std::size_t)>& textAt,
                                     std::size_t* distinctCount = nullptr);

}  // namespace korvalis
