#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvalis {

/// Numbers distinct texts in order of first sight (0, 1, 2, ...): a hash table with open
/// addressing whose slots lie side by side, with a copy of each distinct text packed into one
/// buffer, so the look-ups that loading a large record file makes (one per field or key)
/// compare against memory close together instead of the first sightings scattered over the
/// file. texts() gives the first sightings themselves; their bytes must outlive the numbering.
class TextNumbering {
 public:
  /// The number of `text`, giving it the next one when it is new.
  std::uint32_t add(std::string_view text);
  /// The texts in order of their numbers.
  const std::vector<std::string_view>& texts() const { return texts_; }
  /// The texts in order of their numbers, taken out; the numbering is empty afterwards.
  std::vector<std::string_view> takeTexts();

  static constexpr std::uint32_t kUnknown = UINT32_MAX;

 private:
  struct Slot {
    std::uint32_t number = kUnknown;  ///< kUnknown: the slot is free
    std::uint32_t hash = 0;           ///< the text's hash, compared before the text
  };
  /// The slot that holds `text` or the free slot where it belongs.
  std::size_t slotOf(std::string_view text, std::uint32_t hash) const;
  void grow();

  std::vector<Slot> slots_;
  std::vector<std::string_view> texts_;
  std::string packed_;                   ///< the distinct texts one after another
  std::vector<std::uint32_t> packedAt_;  ///< where text n starts in packed_
};

}  // namespace korvalis
