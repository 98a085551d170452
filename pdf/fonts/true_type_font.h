#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace korvalis {

/// The metrics of a TrueType font file that the PDF writer needs to measure text and describe
/// the embedded font. Every offset and length read from the file is checked against its size.
class TrueTypeFont {
 public:
  /// Parses a whole TrueType file (version 0x00010000 with the tables cmap, head, hhea, hmtx,
  /// maxp, name and post). Nothing when the file is damaged, truncated or lacks a table.
  static std::optional<TrueTypeFont> parse(std::span<const std::uint8_t> file);

  int unitsPerEm() const { return unitsPerEm_; }    ///< design units per em
  int glyphCount() const { return glyphCount_; }    ///< number of glyphs ("maxp")
  int ascent() const { return ascent_; }            ///< thousandths of the em
  int descent() const { return descent_; }          ///< thousandths of the em (negative)
  int capHeight() const { return capHeight_; }      ///< equals the ascent
  int italicAngle() const { return italicAngle_; }  ///< degrees, rounded
  int stemV() const { return stemV_; }              ///< 120 for bold or black faces, else 70
  const std::array<int, 4>& boundingBox() const { return boundingBox_; }  ///< thousandths
  const std::string& styleName() const { return styleName_; }  ///< subfamily, e.g. "Bold"

  /// The glyph a Unicode character maps to, 0 (the missing glyph) when it has none.
  int glyphFor(char32_t character) const;
  /// The advance width of a glyph in thousandths of the em (glyphs past the last horizontal
  /// metric take the last one's width).
  int advanceWidth(int glyph) const;
  /// The advance width of each Windows-1252 code in thousandths of the em.
  std::array<std::int16_t, 256> winAnsiWidths() const;

 private:
  struct Range {  // one cmap segment: characters first..last map to glyphs
    char32_t first = 0;
    char32_t last = 0;
    std::int32_t delta = 0;       // glyph = character + delta (idRangeOffset 0)
    std::uint32_t glyphBase = 0;  // format 12: glyph of `first`
    std::size_t glyphArray = 0;   // format 4: index into glyphIds_ of `first`, when used
    enum class Kind : std::uint8_t { Delta, Array, Sequential } kind = Kind::Delta;
  };

  int toThousandths(int units) const;
  bool readCharacterMap(std::span<const std::uint8_t> cmap);
  bool readFormat4(std::span<const std::uint8_t> table);
  bool readFormat12(std::span<const std::uint8_t> table);

  int unitsPerEm_ = 1000;
  int glyphCount_ = 0;
  int ascent_ = 0;
  int descent_ = 0;
  int capHeight_ = 0;
  int italicAngle_ = 0;
  int stemV_ = 70;
  bool symbolCmap_ = false;
  std::array<int, 4> boundingBox_{};
  std::vector<std::uint16_t> advances_;  // per horizontal metric, design units
  std::vector<Range> ranges_;
  std::vector<std::uint16_t> glyphIds_;  // format 4 glyph id array (already bounds-checked)
  std::string styleName_;
};

}  // namespace korvalis
