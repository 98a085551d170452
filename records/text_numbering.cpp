#include "records/text_numbering.h"

#include <functional>

namespace korvalis {
namespace {

std::uint32_t hashOf(std::string_view text) {
  const std::size_t h = std::hash<std::string_view>{}(text);
  return static_cast<std::uint32_t>(h ^ (h >> 32));
}

}  // namespace

std::size_t TextNumbering::slotOf(std::string_view text, std::uint32_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.number == kUnknown || (slot.hash == hash && texts_[slot.number] == text)) {
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
  }
  return slot.number;
}

std::uint32_t TextNumbering::find(std::string_view text) const {
  if (slots_.empty()) {
    return kUnknown;
  }
  return slots_[slotOf(text, hashOf(text))].number;
}

}  // namespace korvalis
