#include "pdf/fonts/installed_font.h"

#include "pdf/detail/output.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <memory>

#include "pdf/pdf_document.h"
#include "platform/file_io.h"

#include "platform/cp1252.h"

namespace korvalis {
namespace {

struct PatternDeleter {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

struct FontSetDeleter {
  void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};
struct ConfigDeleter {
  void operator()(FcConfig* config) const { FcConfigDestroy(config); }
};
using ConfigPtr = std::unique_ptr<FcConfig, ConfigDeleter>;

using FontSetPtr = std::unique_ptr<FcFontSet, FontSetDeleter>;

std::optional<std::string> patternString(FcPattern* pattern, const char* object) {
  FcChar8* value = nullptr;
  if (FcPatternGetString(pattern, object, 0, &value) != FcResultMatch || value == nullptr) {
    return std::nullopt;
  }
  return std::string(reinterpret_cast<const char*>(value));
}

/// The face's family name: the one of its names that the caller asked for when it has it
/// (a condensed face is listed as "DejaVu Sans" first and "DejaVu Sans Condensed" second),
/// otherwise its first name.
std::optional<std::string> faceName(FcPattern* pattern, std::string_view requested) {
  FcChar8* value = nullptr;
  for (int i = 0; FcPatternGetString(pattern, FC_FAMILY, i, &value) == FcResultMatch; ++i) {
    const std::string_view name(reinterpret_cast<const char*>(value));
    if (equalsIgnoringAsciiCase(name, requested)) {
      return std::string(name);
    }
  }
  return patternString(pattern, FC_FAMILY);
}

}  // namespace

std::optional<InstalledFont> findInstalledFont(std::string_view family, bool bold, bool italic) {
  // A configuration of our own, released after the look-up, so that nothing of fontconfig
  // stays allocated between documents.
  const ConfigPtr config(FcInitLoadConfigAndFonts());
  if (!config) {
    return std::nullopt;
  }
  const std::string utf8Family = cp1252ToUtf8(family);
  PatternPtr pattern(FcPatternCreate());
  if (!pattern) {
    return std::nullopt;
  }
  FcPatternAddString(pattern.get(), FC_FAMILY,
                     reinterpret_cast<const FcChar8*>(utf8Family.c_str()));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
  FcConfigSubstitute(config.get(), pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  // The closest face that is a TrueType file: CFF-flavoured OpenType files cannot be embedded
  // as a TrueType font file.
  FcResult result = FcResultNoMatch;
  FontSetPtr sorted(FcFontSort(config.get(), pattern.get(), FcFalse, nullptr, &result));
  if (!sorted || result != FcResultMatch) {
    return std::nullopt;
  }
  for (int i = 0; i < sorted->nfont; ++i) {
    FcPattern* candidate = sorted->fonts[i];
    if (patternString(candidate, FC_FONTFORMAT) != "TrueType") {
      continue;
    }
    const auto file = patternString(candidate, FC_FILE);
    const auto face = faceName(candidate, utf8Family);
    if (!file || !face) {
      continue;
    }
    auto data = readWholeFileBytes(*file);
    if (!data || data->size() < 4 || (*data)[0] != 0 || (*data)[1] != 1) {
      continue;  // unreadable, or a font collection
    }
    InstalledFont font;
    font.faceName = utf8ToCp1252(*face).value_or(std::string{});
    if (font.faceName.empty()) {
      continue;
    }
    font.path = *file;
    font.data = std::move(*data);
    return font;
  }
  return std::nullopt;
}

}  // namespace korvalis
