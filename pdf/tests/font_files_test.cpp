// Base-font tables, ASCII85 and the TrueType reader, through their own interfaces.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "pdf/fonts/ascii85.h"
#include "pdf/fonts/base_font.h"
#include "pdf/fonts/installed_font.h"
#include "pdf/fonts/true_type_font.h"
#include "platform/file_io.h"

namespace korvalis {
namespace {

TEST(BaseFont, KeysAliasesAndTellingWidths) {
  struct Case {
    const char* family;
    const char* style;
    const char* name;
  };
  const Case cases[] = {
      {"HELVETICA", "", "Helvetica"},
      {"ARIAL", "B", "Helvetica-Bold"},
      {"TIMES", "BI", "Times-BoldItalic"},
      {"COURIER", "I", "Courier-Oblique"},
      {"SYMBOL", "B", "Symbol"},
      {"ZAPFDINGBATS", "BI", "ZapfDingbats"},
      {"HELVETICA", "I", "Helvetica-Oblique"},
  };
  for (const Case& c : cases) {
    const auto font = findBaseFont(c.family, c.style);
    ASSERT_TRUE(font) << c.family << c.style;
    EXPECT_EQ(font->name, c.name) << c.family << c.style;
  }
  EXPECT_FALSE(findBaseFont("DEJAVU SANS", ""));
  EXPECT_FALSE(findBaseFont("TIME", "S"));  // key prefix must be the whole family

  const auto helvetica = findBaseFont("HELVETICA", "");
  const auto& w = *helvetica->widths;
  EXPECT_EQ(w[' '], 278);
  EXPECT_EQ(w['A'], 667);
  EXPECT_EQ(w['a'], 556);
  EXPECT_EQ(w[0xE4], 556);
  EXPECT_EQ(w[0x80], 556);
  EXPECT_EQ(w[5], 278);
  EXPECT_EQ(w[0x81], 350);
  EXPECT_EQ((*findBaseFont("TIMES", "")->widths)['A'], 722);
  EXPECT_EQ((*findBaseFont("TIMES", "")->widths)['a'], 444);
  EXPECT_EQ((*findBaseFont("TIMES", "I")->widths)['A'], 611);
  EXPECT_EQ((*findBaseFont("SYMBOL", "")->widths)[160], 750);
  EXPECT_EQ((*findBaseFont("COURIER", "B")->widths)[0xFF], 600);
  EXPECT_TRUE(findBaseFont("SYMBOL", "")->symbolic);
  EXPECT_FALSE(findBaseFont("TIMES", "")->symbolic);
}

std::vector<std::uint8_t> bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

TEST(Ascii85, GroupsZerosTailAndLineRule) {
  EXPECT_EQ(ascii85Encode({}), "~>");
  EXPECT_EQ(ascii85Encode(bytes("Man ")), "9jqo^~>");
  EXPECT_EQ(ascii85Encode(std::vector<std::uint8_t>(8, 0)), "zz~>");
  EXPECT_EQ(ascii85Encode(bytes("Hello")), "87cURDZ~>");  // a tail of n bytes gives n + 1

  // 60 groups of "Man " give 300 characters: a line feed after each 73, none before "~>"
  // while two characters of room remain.
  std::string text;
  for (int i = 0; i < 60; ++i)
    text += "Man ";
  const std::string encoded = ascii85Encode(bytes(text));
  std::size_t column = 0;
  for (std::size_t i = 0; i + 2 < encoded.size(); ++i) {
    if (encoded[i] == '\n') {
      EXPECT_EQ(column, 73U) << "line break at " << i;
      column = 0;
    } else {
      ++column;
    }
  }
  EXPECT_EQ(encoded.substr(encoded.size() - 2), "~>");

  // Exactly 72 characters on the last line leaves one character of room: the end marker
  // moves to a new line. 14 groups of five characters plus a 2-character tail = 72.
  std::string seventyTwo;
  for (int i = 0; i < 14; ++i)
    seventyTwo += "Man ";
  seventyTwo += "M";
  EXPECT_EQ(ascii85Encode(bytes(seventyTwo)).substr(72), "\n~>");
  // "z" counts as one character.
  std::string zeros(73, 'z');
  zeros += "\n~>";
  EXPECT_EQ(ascii85Encode(std::vector<std::uint8_t>(73 * 4, 0)), zeros);
}

std::vector<std::uint8_t> dejaVuSans() {
  const auto data = readWholeFileBytes("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
  return data.value_or(std::vector<std::uint8_t>{});
}

TEST(TrueTypeFont, ReadsMetricsOfAnInstalledFont) {
  const auto font = findInstalledFont("DejaVu Sans", false, false);
  ASSERT_TRUE(font) << "fonts-dejavu-core must be installed";
  EXPECT_EQ(font->faceName, "DejaVu Sans");
  const auto parsed = TrueTypeFont::parse(font->data);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->unitsPerEm(), 2048);
  EXPECT_GT(parsed->glyphCount(), 1000);
  EXPECT_GT(parsed->ascent(), 700);
  EXPECT_LT(parsed->descent(), 0);
  EXPECT_EQ(parsed->capHeight(), parsed->ascent());
  EXPECT_EQ(parsed->stemV(), 70);
  EXPECT_EQ(parsed->italicAngle(), 0);
  const auto widths = parsed->winAnsiWidths();
  // 1401 design units of 2048 for "A" in DejaVu Sans.
  EXPECT_EQ(widths['A'], 684);
  EXPECT_EQ(widths[0xE4], widths['a']);              // a-umlaut as wide as a
  EXPECT_NE(widths[0x80], parsed->advanceWidth(0));  // the euro sign has a glyph
  EXPECT_LT(parsed->boundingBox()[0], 0);

  const auto boldItalic = findInstalledFont("DejaVu Sans", true, true);
  ASSERT_TRUE(boldItalic);
  const auto parsedBold = TrueTypeFont::parse(boldItalic->data);
  ASSERT_TRUE(parsedBold);
  EXPECT_EQ(parsedBold->stemV(), 120);
  EXPECT_LT(parsedBold->italicAngle(), 0);
  EXPECT_NE(parsedBold->styleName().find("Bold"), std::string::npos);
}

void putU32(std::vector<std::uint8_t>& data, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    data[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
  }
}

std::size_t tableRecord(const std::vector<std::uint8_t>& data, std::string_view tag) {
  const std::size_t count = (data[4] << 8) | data[5];
  for (std::size_t i = 0; i < count; ++i) {
    if (std::memcmp(data.data() + 12 + 16 * i, tag.data(), 4) == 0)
      return 12 + 16 * i;
  }
  return 0;
}

TEST(TrueTypeFont, DamagedFilesFailCleanly) {
  const std::vector<std::uint8_t> good = dejaVuSans();
  ASSERT_FALSE(good.empty());
  ASSERT_TRUE(TrueTypeFont::parse(good));

  EXPECT_FALSE(TrueTypeFont::parse({}));
  EXPECT_FALSE(TrueTypeFont::parse(bytes("OTTO\0\0\0\0")));

  for (const char* tag : {"cmap", "head", "hhea", "hmtx", "maxp", "name", "post"}) {
    auto renamed = good;
    const std::size_t record = tableRecord(renamed, tag);
    ASSERT_NE(record, 0U) << tag;
    renamed[record] = 'x';  // the table is missing
    EXPECT_FALSE(TrueTypeFont::parse(renamed)) << "missing " << tag;

    auto pastEnd = good;
    putU32(pastEnd, record + 8, static_cast<std::uint32_t>(good.size() - 2));  // offset
    EXPECT_FALSE(TrueTypeFont::parse(pastEnd)) << "offset of " << tag;

    auto tooLong = good;
    putU32(tooLong, record + 12, 0xFFFFFFF0U);  // length overflows the file
    EXPECT_FALSE(TrueTypeFont::parse(tooLong)) << "length of " << tag;
  }

  // A table count larger than the directory; then cuts through the directory and the tables.
  auto manyTables = good;
  manyTables[4] = 0xFF;
  EXPECT_FALSE(TrueTypeFont::parse(manyTables));
  const std::size_t hmtx = tableRecord(good, "hmtx");
  const std::size_t hmtxEnd = ((std::size_t{good[hmtx + 8]} << 24) | (good[hmtx + 9] << 16) |
                               (good[hmtx + 10] << 8) | good[hmtx + 11]) +
                              ((std::size_t{good[hmtx + 12]} << 24) | (good[hmtx + 13] << 16) |
                               (good[hmtx + 14] << 8) | good[hmtx + 15]);
  for (std::size_t cut : {std::size_t{3}, std::size_t{12}, std::size_t{100}, hmtxEnd - 1}) {
    const std::vector<std::uint8_t> truncated(good.begin(), good.begin() + cut);
    EXPECT_FALSE(TrueTypeFont::parse(truncated)) << "cut at " << cut;
  }

  // More horizontal metrics than the hmtx table holds.
  auto metrics = good;
  const std::size_t hhea = tableRecord(metrics, "hhea");
  const std::size_t hheaOffset = (std::size_t{metrics[hhea + 8]} << 24) |
                                 (metrics[hhea + 9] << 16) | (metrics[hhea + 10] << 8) |
                                 metrics[hhea + 11];
  metrics[hheaOffset + 34] = 0xFF;
  metrics[hheaOffset + 35] = 0xFF;
  EXPECT_FALSE(TrueTypeFont::parse(metrics));
}

}  // namespace
}  // namespace korvalis
