#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace korvalis {

/// A placeable Windows metafile translated into the content of a PDF form XObject. The content
/// draws in the metafile's own logical coordinates (y grows downwards); the form's box is the
/// window origin and extent the metafile sets.
struct MetafileForm {
  int boxX = 0;         ///< window origin x
  int boxY = 0;         ///< window origin y
  int width = 0;        ///< window extent x (never 0)
  int height = 0;       ///< window extent y (never 0)
  std::string content;  ///< page-description operators, one per line

  /// Converts a placeable metafile (key D7 CD C6 9A). Pen widths and dash lengths are
  /// multiplied by `scale`. Nothing when the data is truncated, a record runs past the end,
  /// or the metafile gives no usable box.
  static std::optional<MetafileForm> convert(std::span<const std::uint8_t> data, double scale);
};

}  // namespace korvalis
