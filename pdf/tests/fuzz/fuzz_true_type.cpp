// Fuzz target: any bytes as a TrueType font file handed to the PDF writer's font reader.
#include <cstddef>
#include <cstdint>
#include <span>

#include "pdf/fonts/true_type_font.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto font = korvalis::TrueTypeFont::parse(std::span<const std::uint8_t>(data, size));
  if (font) {
    // Every character lookup and width walks the character map and metrics read from the file.
    (void)font->winAnsiWidths();
    (void)font->glyphFor(0x1F600);
    (void)font->advanceWidth(font->glyphCount() + 5);
  }
  return 0;
}
