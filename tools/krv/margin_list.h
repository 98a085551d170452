#pragma once

#include <array>
#include <charconv>
#include <optional>
#include <string_view>

namespace korvalis::krv {

/// Parses "TOP,LEFT,RIGHT,BOTTOM": exactly four whole non-negative numbers separated by commas.
inline std::optional<std::array<int, 4>> parseMarginList(std::string_view text) {
  std::array<int, 4> values{};
  const char* p = text.data();
  const char* const end = text.data() + text.size();
  for (std::size_t i = 0; i < values.size(); ++i) {
    const auto [next, ec] = std::from_chars(p, end, values[i]);
    if (ec != std::errc() || next == p || values[i] < 0) {
      return std::nullopt;
    }
    const bool last = i + 1 == values.size();
    if (last ? next != end : (next == end || *next != ',')) {
      return std::nullopt;
    }
    p = next + (last ? 0 : 1);
  }
  return values;
}

}  // namespace korvalis::krv
