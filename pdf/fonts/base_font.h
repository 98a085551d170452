#pragma once

#include <optional>
#include <string_view>

#include "pdf/fonts/base_font_widths.h"

namespace korvalis {

/// One of the fourteen standard base fonts every PDF reader carries.
struct BaseFont {
  std::string_view key;                  ///< lookup key: family upper-cased plus style
  std::string_view name;                 ///< PDF font name, e.g. "Helvetica-Bold"
  const basewidths::WidthTable* widths;  ///< advance widths per Windows-1252 code
  bool symbolic = false;                 ///< Symbol and ZapfDingbats: no /Encoding entry
};

/// The base font for an upper-cased family and a normalised style ("", "B", "I", "BI"), after
/// the aliases (ARIAL is HELVETICA; SYMBOL and ZAPFDINGBATS ignore the style). Nothing when
/// the family is not a base font (it is then a TrueType family).
std::optional<BaseFont> findBaseFont(std::string_view upperFamily, std::string_view style);

/// The family after the aliases: "ARIAL" becomes "HELVETICA", other families stay.
std::string_view baseFontFamilyAlias(std::string_view upperFamily);

}  // namespace korvalis
