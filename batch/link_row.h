#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvalis {

/// One row of the save window's list. Texts are Windows-1252 bytes.
struct LinkRow {
  std::string reference;  ///< PageRef of the page ("" ends every row loop)
  std::string fileName;   ///< full path the page is saved to; "" until names are assigned
  std::string status;     ///< last status shown (" " after creation)
  std::int32_t code = 0;  ///< row code, see below
  bool checked = false;   ///< takes part in link export, batch saving and the estimate

  bool operator==(const LinkRow&) const = default;
};

/// Row codes: 0 waiting, 1-3 being loaded by that slot, negative: outcome of a run.
inline constexpr std::int32_t kRowWaiting = 0;
inline constexpr std::int32_t kRowSaved = -1;
inline constexpr std::int32_t kRowWriteFailed = -2;
inline constexpr std::int32_t kRowNoImage = -3;
inline constexpr std::int32_t kRowUndecodable = -4;
inline constexpr std::int32_t kRowNoData = -5;
inline constexpr std::int32_t kRowStopped = -6;

/// Status texts of the rows.
inline constexpr std::string_view kStatusNew = " ";
inline constexpr std::string_view kStatusWaiting = "Warte...";
inline constexpr std::string_view kStatusLoading = "Lade...";

/// The status text of an outcome code (-1 to -6); "" for other codes.
std::string_view statusTextForCode(std::int32_t code);

}  // namespace korvalis
