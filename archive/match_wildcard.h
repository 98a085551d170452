#pragma once

#include <string_view>

namespace korvalis {

/// The program's wildcard test: the whole `text` must be consumed by `pattern`. "*" stands for
/// any run of characters (also none), "?" for exactly one character, "#" for exactly one
/// decimal digit; every other character stands for itself, letters compared without regard to
/// case (Windows-1252 lower-case mapping).
bool MatchWildcard(std::string_view text, std::string_view pattern);

}  // namespace korvalis
