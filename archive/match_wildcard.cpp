#include "archive/match_wildcard.h"

#include <cstddef>

#include "platform/cp1252.h"

namespace korvalis {

namespace {
bool matchesOne(unsigned char textChar, unsigned char patternChar) {
  if (patternChar == '?') {
    return true;
  }
  if (patternChar == '#') {
    return textChar >= '0' && textChar <= '9';
  }
  return cp1252Lower(textChar) == cp1252Lower(patternChar);
}
}  // namespace

bool MatchWildcard(std::string_view text, std::string_view pattern) {
  // Greedy scan that remembers the last "*" and, on a mismatch, lets it swallow one more
  // character; linear in practice and never recursive.
  std::size_t t = 0;
  std::size_t p = 0;
  std::size_t starPattern = std::string_view::npos;
  std::size_t starText = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      while (p < pattern.size() && pattern[p] == '*') {
        ++p;
      }
      starPattern = p;
      starText = t;
    } else if (p < pattern.size() && matchesOne(static_cast<unsigned char>(text[t]),
                                                static_cast<unsigned char>(pattern[p]))) {
      ++t;
      ++p;
    } else if (starPattern != std::string_view::npos) {
      p = starPattern;
      t = ++starText;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') {
    ++p;
  }
  return p == pattern.size();
}

}  // namespace korvalis
