// The texts the main window's status fields can show, collected from the program's code: the
// fixed texts, and the shapes of the composed ones (loading, zoom, an opened page's identity).
#pragma once

#include <optional>
#include <string>

namespace korvalis::monkey {

inline constexpr int kStatusFieldCount = 4;

/// Nothing when `text` (Windows-1252, as the program writes it) is a text status field `field`
/// can show; otherwise why not.
std::optional<std::string> unknownStatusText(int field, const std::string& text);

}  // namespace korvalis::monkey
