#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace korvalis {

/// For each text its rank among the distinct texts in byte order (unsigned bytes, as
/// std::string_view compares): equal texts get equal ranks, and rank a < rank b exactly when
/// the texts compare less. Sorting by ranks then compares small integers instead of texts,
/// which matters when many texts are equal or share long beginnings.
std::vector<std::uint32_t> rankTexts(std::span<const std::string_view> texts);

}  // namespace korvalis
