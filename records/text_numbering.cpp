#include "records/text_numbering.h"

#include <cstring>

namespace korvalis {
namespace {

/// Up to eight bytes from `p` as one number (the rest zero): a single load for a whole word,
/// byte by byte for the tail, so no call to a copy routine is made.
std::uint64_t word(const char* p, std::size_t n) {
  std::uint64_t w = 0;
  if (n >= 8) {
    std::memcpy(&w, p, 8);
    return w;
  }
  for (std::size_t i = 0; i < n; ++i) {
    w |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
  }
  return w;
}

/// A hash of the short texts of record files, eight bytes per step, with a 64-bit finalising
/// mix, so that the low bits that pick a slot depend on every byte.
std::uint32_t hashOf(std::string_view text) {
  std::uint64_t h = text.size() * 0x9E3779B97F4A7C15ULL;
  for (std::size_t i = 0; i < text.size(); i += 8) {
    h = (h ^ word(text.data() + i, text.size() - i)) * 0xFF51AFD7ED558CCDULL;
    h ^= h >> 32;
  }
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ULL;
  h ^= h >> 33;
  return static_cast<std::uint32_t>(h);
}

/// Whether two texts of the same length hold the same bytes, compared eight bytes at a time
/// without a library call (the texts are mostly short and mostly equal when compared).
bool sameBytes(std::string_view a, std::string_view b) {
  for (std::size_t i = 0; i < a.size(); i += 8) {
    if (word(a.data() + i, a.size() - i) != word(b.data() + i, b.size() - i)) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::size_t TextNumbering::slotOf(std::string_view text, std::uint32_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.number == kUnknown) {
      return i;
    }
    if (slot.hash == hash && texts_[slot.number].size() == text.size() &&
        sameBytes(std::string_view(packed_).substr(packedAt_[slot.number], text.size()), text)) {
      return i;
    }
  }
}

void TextNumbering::grow() {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.number == kUnknown) {
      continue;
    }
    std::size_t i = slot.hash & mask;
    while (slots_[i].number != kUnknown) {
      i = (i + 1) & mask;
    }
    slots_[i] = slot;
  }
}

std::uint32_t TextNumbering::add(std::string_view text) {
  // At most half full, so probe runs stay short and a free slot always exists.
  if ((texts_.size() + 1) * 2 > slots_.size()) {
    grow();
  }
  const std::uint32_t hash = hashOf(text);
  Slot& slot = slots_[slotOf(text, hash)];
  if (slot.number == kUnknown) {
    slot = Slot{static_cast<std::uint32_t>(texts_.size()), hash};
    texts_.push_back(text);
    packedAt_.push_back(static_cast<std::uint32_t>(packed_.size()));
    packed_.append(text);
  }
  return slot.number;
}

std::vector<std::string_view> TextNumbering::takeTexts() {
  std::vector<std::string_view> texts = std::move(texts_);
  *this = TextNumbering();
  return texts;
}

}  // namespace korvalis
