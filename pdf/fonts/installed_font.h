#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvalis {

/// An installed font file as the system's font configuration chose it for a family and style.
struct InstalledFont {
  std::string faceName;            ///< family name of the chosen face (Windows-1252)
  std::string path;                ///< the font file (UTF-8 path)
  std::vector<std::uint8_t> data;  ///< the complete font file
};

/// Asks fontconfig for the installed font that best matches `family` (Windows-1252) with the
/// requested weight and slant, and reads its whole file. The configuration may substitute a
/// similar family, as the desktop does; the face name tells which one was chosen. Nothing when
/// no font matches or its file cannot be read.
std::optional<InstalledFont> findInstalledFont(std::string_view family, bool bold, bool italic);

/// Where the writer takes installed fonts from: family (Windows-1252, as the caller gave it
/// or upper-cased), bold, italic.
using InstalledFontSource =
    std::function<std::optional<InstalledFont>(std::string_view family, bool bold, bool italic)>;

}  // namespace korvalis
