#include "pdf/fonts/true_type_font.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "platform/cp1252.h"

namespace korvalis {
namespace {

/// A bounds-checked big-endian view of a byte range; reads outside it fail.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t size() const { return bytes_.size(); }

  bool has(std::size_t offset, std::size_t length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
  }
  std::optional<std::uint16_t> u16(std::size_t offset) const {
    if (!has(offset, 2)) {
      return std::nullopt;
    }
    return static_cast<std::uint16_t>((bytes_[offset] << 8) | bytes_[offset + 1]);
  }
  std::optional<std::int16_t> s16(std::size_t offset) const {
    const auto value = u16(offset);
    if (!value) {
      return std::nullopt;
    }
    return static_cast<std::int16_t>(*value);
  }
  std::optional<std::uint32_t> u32(std::size_t offset) const {
    if (!has(offset, 4)) {
      return std::nullopt;
    }
    return (std::uint32_t{bytes_[offset]} << 24) | (std::uint32_t{bytes_[offset + 1]} << 16) |
           (std::uint32_t{bytes_[offset + 2]} << 8) | bytes_[offset + 3];
  }
  std::optional<Reader> sub(std::size_t offset, std::size_t length) const {
    if (!has(offset, length)) {
      return std::nullopt;
    }
    return Reader(bytes_.subspan(offset, length));
  }
  std::span<const std::uint8_t> bytes() const { return bytes_; }

 private:
  std::span<const std::uint8_t> bytes_;
};

struct Tables {
  std::optional<Reader> cmap, head, hhea, hmtx, maxp, name, post;
};

std::optional<Tables> locateTables(const Reader& file) {
  if (file.u32(0) != 0x00010000U) {
    return std::nullopt;
  }
  const auto count = file.u16(4);
  if (!count) {
    return std::nullopt;
  }
  Tables tables;
  const std::pair<std::string_view, std::optional<Reader>*> wanted[] = {
      {"cmap", &tables.cmap}, {"head", &tables.head}, {"hhea", &tables.hhea},
      {"hmtx", &tables.hmtx}, {"maxp", &tables.maxp}, {"name", &tables.name},
      {"post", &tables.post}};
  for (std::size_t i = 0; i < *count; ++i) {
    const std::size_t record = 12 + 16 * i;
    if (!file.has(record, 16)) {
      return std::nullopt;
    }
    const std::string_view tag(reinterpret_cast<const char*>(file.bytes().data() + record), 4);
    const auto offset = file.u32(record + 8);
    const auto length = file.u32(record + 12);
    // Any table running past the end means a truncated file, even one the writer does not
    // read itself: the whole file is embedded, and a reader would fail on it.
    if (!file.has(*offset, *length)) {
      return std::nullopt;
    }
    for (const auto& [name, slot] : wanted) {
      if (tag == name) {
        *slot = file.sub(*offset, *length);
      }
    }
  }
  for (const auto& entry : wanted) {
    if (!*entry.second) {
      return std::nullopt;
    }
  }
  return tables;
}

/// The subfamily name (name ID 2), preferring Windows Unicode, then Macintosh Roman.
std::string readStyleName(const Reader& name) {
  const auto count = name.u16(2);
  const auto storage = name.u16(4);
  if (!count || !storage) {
    return {};
  }
  std::string fallback;
  for (std::size_t i = 0; i < *count; ++i) {
    const std::size_t record = 6 + 12 * i;
    const auto platform = name.u16(record);
    const auto nameId = name.u16(record + 6);
    const auto length = name.u16(record + 8);
    const auto offset = name.u16(record + 10);
    if (!platform || !nameId || !length || !offset || *nameId != 2) {
      continue;
    }
    const auto text = name.sub(std::size_t{*storage} + *offset, *length);
    if (!text) {
      continue;
    }
    if (*platform == 3 || *platform == 0) {
      std::string result;
      for (std::size_t pos = 0; pos + 1 < text->size(); pos += 2) {
        const auto unit = unicodeToCp1252(*text->u16(pos));
        result.push_back(unit ? static_cast<char>(*unit) : '?');
      }
      return result;
    }
    if (*platform == 1 && fallback.empty()) {
      for (const std::uint8_t byte : text->bytes()) {
        fallback.push_back(byte < 128 ? static_cast<char>(byte) : '?');
      }
    }
  }
  return fallback;
}

}  // namespace

int TrueTypeFont::toThousandths(int units) const {
  return static_cast<int>(std::lround(units * 1000.0 / unitsPerEm_));
}

std::optional<TrueTypeFont> TrueTypeFont::parse(std::span<const std::uint8_t> bytes) {
  const Reader file(bytes);
  const auto tables = locateTables(file);
  if (!tables) {
    return std::nullopt;
  }
  TrueTypeFont font;

  const auto unitsPerEm = tables->head->u16(18);
  const auto xMin = tables->head->s16(36);
  const auto yMin = tables->head->s16(38);
  const auto xMax = tables->head->s16(40);
  const auto yMax = tables->head->s16(42);
  if (!unitsPerEm || *unitsPerEm == 0 || !xMin || !yMin || !xMax || !yMax) {
    return std::nullopt;
  }
  font.unitsPerEm_ = *unitsPerEm;
  font.boundingBox_ = {font.toThousandths(*xMin), font.toThousandths(*yMin),
                       font.toThousandths(*xMax), font.toThousandths(*yMax)};

  const auto glyphCount = tables->maxp->u16(4);
  const auto ascender = tables->hhea->s16(4);
  const auto descender = tables->hhea->s16(6);
  const auto metricCount = tables->hhea->u16(34);
  if (!glyphCount || !ascender || !descender || !metricCount || *metricCount == 0) {
    return std::nullopt;
  }
  font.glyphCount_ = *glyphCount;
  font.ascent_ = font.toThousandths(*ascender);
  font.descent_ = font.toThousandths(*descender);
  font.capHeight_ = font.ascent_;
  if (!tables->hmtx->has(0, std::size_t{*metricCount} * 4)) {
    return std::nullopt;
  }
  font.advances_.reserve(*metricCount);
  for (std::size_t i = 0; i < *metricCount; ++i) {
    font.advances_.push_back(*tables->hmtx->u16(i * 4));
  }

  const auto italicAngle = tables->post->u32(4);
  if (!italicAngle) {
    return std::nullopt;
  }
  font.italicAngle_ =
      static_cast<int>(std::lround(static_cast<std::int32_t>(*italicAngle) / 65536.0));

  font.styleName_ = readStyleName(*tables->name);
  const std::string lowered = cp1252LowerText(font.styleName_);
  font.stemV_ =
      lowered.find("bold") != std::string::npos || lowered.find("black") != std::string::npos ? 120
                                                                                              : 70;

  if (!font.readCharacterMap(tables->cmap->bytes())) {
    return std::nullopt;
  }
  return font;
}

bool TrueTypeFont::readCharacterMap(std::span<const std::uint8_t> bytes) {
  const Reader cmap(bytes);
  const auto count = cmap.u16(2);
  if (!count) {
    return false;
  }
  // Preference: full Unicode (format 12), Unicode BMP (format 4), symbol encoding (format 4).
  std::optional<std::size_t> full, bmp, symbol;
  for (std::size_t i = 0; i < *count; ++i) {
    const std::size_t record = 4 + 8 * i;
    const auto platform = cmap.u16(record);
    const auto encoding = cmap.u16(record + 2);
    const auto offset = cmap.u32(record + 4);
    if (!platform || !encoding || !offset) {
      return false;
    }
    const auto format = cmap.u16(*offset);
    if (!format) {
      continue;
    }
    const bool unicode = *platform == 0 || (*platform == 3 && (*encoding == 1 || *encoding == 10));
    if (unicode && *format == 12) {
      full = *offset;
    } else if (unicode && *format == 4) {
      bmp = *offset;
    } else if (*platform == 3 && *encoding == 0 && *format == 4) {
      symbol = *offset;
    }
  }
  if (full) {
    return readFormat12(bytes.subspan(*full));
  }
  if (bmp) {
    return readFormat4(bytes.subspan(*bmp));
  }
  if (symbol) {
    symbolCmap_ = true;
    return readFormat4(bytes.subspan(*symbol));
  }
  return false;
}

bool TrueTypeFont::readFormat4(std::span<const std::uint8_t> bytes) {
  const auto declared = Reader(bytes).u16(2);
  if (!declared) {
    return false;
  }
  const Reader table(bytes.first(std::min<std::size_t>(*declared, bytes.size())));
  const auto segCountX2 = table.u16(6);
  if (!segCountX2) {
    return false;
  }
  const std::size_t segments = *segCountX2 / 2;
  const std::size_t ends = 14;
  const std::size_t starts = ends + 2 * segments + 2;
  const std::size_t deltas = starts + 2 * segments;
  const std::size_t rangeOffsets = deltas + 2 * segments;
  if (!table.has(rangeOffsets, 2 * segments)) {
    return false;
  }
  for (std::size_t pos = rangeOffsets; pos + 1 < table.size(); pos += 2) {
    glyphIds_.push_back(*table.u16(pos));
  }
  for (std::size_t i = 0; i < segments; ++i) {
    Range range;
    range.first = *table.u16(starts + 2 * i);
    range.last = *table.u16(ends + 2 * i);
    range.delta = *table.u16(deltas + 2 * i);
    const std::uint16_t rangeOffset = *table.u16(rangeOffsets + 2 * i);
    if (range.last < range.first) {
      continue;
    }
    if (rangeOffset != 0) {
      range.kind = Range::Kind::Array;
      range.glyphArray = i + rangeOffset / 2;
    }
    ranges_.push_back(range);
  }
  return true;
}

bool TrueTypeFont::readFormat12(std::span<const std::uint8_t> bytes) {
  const Reader table(bytes);
  const auto groups = table.u32(12);
  if (!groups || !table.has(16, std::size_t{*groups} * 12)) {
    return false;
  }
  for (std::size_t i = 0; i < *groups; ++i) {
    const std::size_t group = 16 + 12 * i;
    Range range;
    range.kind = Range::Kind::Sequential;
    range.first = *table.u32(group);
    range.last = *table.u32(group + 4);
    range.glyphBase = *table.u32(group + 8);
    if (range.last >= range.first) {
      ranges_.push_back(range);
    }
  }
  return true;
}

int TrueTypeFont::glyphFor(char32_t character) const {
  if (symbolCmap_ && character < 0x100) {
    character += 0xF000;
  }
  for (const Range& range : ranges_) {
    if (character < range.first || character > range.last) {
      continue;
    }
    std::uint32_t glyph = 0;
    switch (range.kind) {
      case Range::Kind::Delta:
        glyph = (character + static_cast<std::uint32_t>(range.delta)) & 0xFFFFU;
        break;
      case Range::Kind::Array: {
        const std::size_t index = range.glyphArray + (character - range.first);
        const std::uint16_t value = index < glyphIds_.size() ? glyphIds_[index] : 0;
        glyph = value == 0 ? 0 : (value + static_cast<std::uint32_t>(range.delta)) & 0xFFFFU;
        break;
      }
      case Range::Kind::Sequential:
        glyph = range.glyphBase + (character - range.first);
        break;
    }
    return glyph < static_cast<std::uint32_t>(glyphCount_) ? static_cast<int>(glyph) : 0;
  }
  return 0;
}

int TrueTypeFont::advanceWidth(int glyph) const {
  if (advances_.empty() || glyph < 0) {
    return 0;
  }
  const std::size_t index = std::min(static_cast<std::size_t>(glyph), advances_.size() - 1);
  return toThousandths(advances_[index]);
}

std::array<std::int16_t, 256> TrueTypeFont::winAnsiWidths() const {
  std::array<std::int16_t, 256> widths{};
  for (std::size_t code = 0; code < widths.size(); ++code) {
    const char32_t character = cp1252ToUnicode(static_cast<unsigned char>(code));
    widths[code] = static_cast<std::int16_t>(advanceWidth(glyphFor(character)));
  }
  return widths;
}

}  // namespace korvalis
