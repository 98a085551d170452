#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace korvalis {

/// Growable byte block for the document body, page contents and streams. Capacity grows in
/// whole steps of 64,000 bytes so that typical pages never reallocate.
struct PdfBuffer {
  std::vector<std::uint8_t> data;  ///< allocated block (size == capacity)
  std::int32_t capacity = 0;       ///< bytes allocated
  std::int32_t length = 0;         ///< bytes in use

  static constexpr std::int32_t kGrowthStep = 64000;

  /// Grows to (size / 64000 + 1) * 64000 bytes, keeping content and length. False when the
  /// allocation fails or the size is out of range.
  bool ensureCapacity(std::int64_t size);
  /// Appends bytes, growing when needed. False on allocation failure.
  bool append(std::span<const std::uint8_t> bytes);
  bool append(std::string_view text);
  /// Frees the block.
  void release();
  [[nodiscard]] std::span<const std::uint8_t> bytes() const;
  [[nodiscard]] std::string_view text() const;
};

}  // namespace korvalis
