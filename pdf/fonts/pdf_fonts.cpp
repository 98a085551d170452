#include "pdf/fonts/pdf_fonts.h"

#include "pdf/detail/output.h"

#include <algorithm>
#include <optional>
#include <string>

#include "pdf/fonts/base_font.h"
#include "pdf/fonts/installed_font.h"
#include "pdf/fonts/true_type_font.h"

namespace korvalis {
namespace {

/// Error code of a font that could not be loaded (not installed, or a damaged file).

/// A requested family and style after normalising: the family upper-cased with its alias
/// applied, the style reduced to "", "B", "I" or "BI", and the underline flag taken out.
struct FontRequest {
  std::string family;
  std::string style;
  bool underline = false;
};

FontRequest normalise(const PdfDocument& doc, std::string_view family, std::string_view style) {
  FontRequest request;
  request.family =
      family.empty() ? doc.fontFamily : std::string(baseFontFamilyAlias(upperAscii(family)));
  const std::string upperStyle = upperAscii(style);
  request.underline = upperStyle.find('U') != std::string::npos;
  const bool bold = upperStyle.find('B') != std::string::npos;
  const bool italic = upperStyle.find('I') != std::string::npos;
  request.style = std::string(bold ? "B" : "") + (italic ? "I" : "");
  if (request.family == "SYMBOL" || request.family == "ZAPFDINGBATS")
    request.style.clear();
  return request;
}

PdfFont baseFontEntry(const BaseFont& base) {
  PdfFont font;
  font.kind = 0;
  font.baseName = base.name;
  font.key = base.key;
  font.widths = *base.widths;
  return font;
}

/// The index of the font file for a face and style, keeping it when it is new. A file is
/// shared only when it is the same file: two families can report the same face name (a
/// condensed face, or a substitute chosen by the font configuration).
int fontFileFor(PdfDocument& doc, InstalledFont& installed, bool bold, bool italic) {
  for (std::size_t i = 0; i < doc.fontFiles.size(); ++i) {
    const PdfFontFile& file = doc.fontFiles[i];
    if (file.fontName == installed.faceName && file.bold == bold && file.italic == italic &&
        file.data == installed.data)
      return static_cast<int>(i);
  }
  PdfFontFile file;
  file.data = std::move(installed.data);
  file.fontName = installed.faceName;
  file.bold = bold;
  file.italic = italic;
  doc.fontFiles.push_back(std::move(file));
  return static_cast<int>(doc.fontFiles.size()) - 1;
}

std::optional<PdfFont> loadTrueTypeFont(PdfDocument& doc, const FontRequest& request,
                                        std::string key) {
  const bool bold = request.style.find('B') != std::string::npos;
  const bool italic = request.style.find('I') != std::string::npos;
  std::optional<InstalledFont> installed = doc.fontSource
                                               ? doc.fontSource(request.family, bold, italic)
                                               : findInstalledFont(request.family, bold, italic);
  if (!installed)
    return std::nullopt;
  const std::optional<TrueTypeFont> parsed = TrueTypeFont::parse(installed->data);
  if (!parsed)
    return std::nullopt;
  PdfFont font;
  font.kind = 1;
  font.key = std::move(key);
  font.baseName = installed->faceName;
  font.unitsPerEm = parsed->unitsPerEm();
  font.glyphCount = parsed->glyphCount();
  font.ascent = parsed->ascent();
  font.descent = parsed->descent();
  font.capHeight = parsed->capHeight();
  font.italicAngle = parsed->italicAngle();
  font.stemV = parsed->stemV();
  std::ranges::copy(parsed->boundingBox(), font.boundingBox.begin());
  font.missingWidth = parsed->advanceWidth(0);
  font.styleName = parsed->styleName();
  font.widths = parsed->winAnsiWidths();
  // Only a file that parsed is kept for embedding.
  font.fileIndex = fontFileFor(doc, *installed, bold, italic);
  return font;
}

/// The index into doc.fonts of the font for a request, loading it when it is new; nothing
/// when a TrueType font cannot be loaded.
std::optional<int> findOrLoad(PdfDocument& doc, const FontRequest& request) {
  std::string key = request.family + request.style;
  const auto known =
      std::ranges::find_if(doc.fonts, [&](const PdfFont& font) { return font.key == key; });
  if (known != doc.fonts.end())
    return static_cast<int>(known - doc.fonts.begin());
  std::optional<PdfFont> font;
  if (const auto base = findBaseFont(request.family, request.style))
    font = baseFontEntry(*base);
  else
    font = loadTrueTypeFont(doc, request, std::move(key));
  if (!font)
    return std::nullopt;
  font->style = request.style;
  doc.fonts.push_back(std::move(*font));
  doc.fonts.back().index = static_cast<std::int32_t>(doc.fonts.size());
  return static_cast<int>(doc.fonts.size()) - 1;
}

void writeSelection(PdfDocument& doc) {
  const PdfFont* font = currentFont(doc);
  // Only into an open page: between pages or after the end the line would land in the body.
  if (font && doc.state == 2)
    out(doc,
        "BT /F" + std::to_string(font->index) + " " + pdfNumber(doc, doc.fontSizePt, 2) + " Tf ET");
}

}  // namespace

int setFont(PdfDocument& doc, std::string_view family, std::string_view style, int sizePt) {
  const FontRequest request = normalise(doc, family, style);
  const float size = sizePt == 0 ? doc.fontSizePt : static_cast<float>(sizePt);
  if (request.family.empty())
    return 0;  // no family given and none selected yet
  if (request.family == doc.fontFamily && request.style == doc.fontStyle &&
      size == doc.fontSizePt && currentFont(doc)) {
    doc.underline = request.underline;
    return 1;
  }
  const std::optional<int> index = findOrLoad(doc, request);
  if (!index) {
    doc.lastError = PdfError::Font;  // the current font, size and underlining stay
    return 0;
  }
  doc.underline = request.underline;
  doc.fontFamily = request.family;
  doc.fontStyle = request.style;
  doc.fontSizePt = size;
  doc.fontSize = size / doc.scale;
  doc.currentFont = *index;
  writeSelection(doc);
  return 1;
}

int setFontSize(PdfDocument& doc, int sizePt) {
  const auto size = static_cast<float>(sizePt);
  if (size == doc.fontSizePt)
    return 0;
  doc.fontSizePt = size;
  doc.fontSize = size / doc.scale;
  writeSelection(doc);
  return 1;
}

const PdfFont* currentFont(const PdfDocument& doc) {
  if (doc.currentFont < 0 || doc.currentFont >= static_cast<int>(doc.fonts.size()))
    return nullptr;
  return &doc.fonts[static_cast<std::size_t>(doc.currentFont)];
}

float stringWidth(const PdfDocument& doc, std::string_view text) {
  const PdfFont* font = currentFont(doc);
  if (!font)
    return 0;
  long total = 0;
  for (const char c : text)
    total += font->widths[static_cast<unsigned char>(c)];
  return static_cast<float>(total) * doc.fontSize / 1000.0f;
}

}  // namespace korvalis
