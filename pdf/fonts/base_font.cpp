#include "pdf/fonts/base_font.h"

#include <array>
#include <string>

namespace korvalis {
namespace {

constexpr basewidths::WidthTable makeCourierWidths() {
  basewidths::WidthTable table{};
  table.fill(600);
  return table;
}

constexpr basewidths::WidthTable courierWidths = makeCourierWidths();

const std::array<BaseFont, 14> baseFonts = {{
    {"COURIER", "Courier", &courierWidths},
    {"COURIERB", "Courier-Bold", &courierWidths},
    {"COURIERI", "Courier-Oblique", &courierWidths},
    {"COURIERBI", "Courier-BoldOblique", &courierWidths},
    {"HELVETICA", "Helvetica", &basewidths::helvetica},
    {"HELVETICAB", "Helvetica-Bold", &basewidths::helveticaBold},
    {"HELVETICAI", "Helvetica-Oblique", &basewidths::helveticaOblique},
    {"HELVETICABI", "Helvetica-BoldOblique", &basewidths::helveticaBoldOblique},
    {"TIMES", "Times-Roman", &basewidths::timesRoman},
    {"TIMESB", "Times-Bold", &basewidths::timesBold},
    {"TIMESI", "Times-Italic", &basewidths::timesItalic},
    {"TIMESBI", "Times-BoldItalic", &basewidths::timesBoldItalic},
    {"SYMBOL", "Symbol", &basewidths::symbol, true},
    {"ZAPFDINGBATS", "ZapfDingbats", &basewidths::zapfDingbats, true},
}};

}  // namespace

std::string_view baseFontFamilyAlias(std::string_view upperFamily) {
  return upperFamily == "ARIAL" ? std::string_view("HELVETICA") : upperFamily;
}

std::optional<BaseFont> findBaseFont(std::string_view upperFamily, std::string_view style) {
  const std::string_view family = baseFontFamilyAlias(upperFamily);
  const bool styleless = family == "SYMBOL" || family == "ZAPFDINGBATS";
  if (!styleless && family != "COURIER" && family != "HELVETICA" && family != "TIMES") {
    return std::nullopt;
  }
  const std::string key = std::string(family) + std::string(styleless ? "" : style);
  for (const BaseFont& font : baseFonts) {
    if (font.key == key) {
      return font;
    }
  }
  return std::nullopt;
}

}  // namespace korvalis
