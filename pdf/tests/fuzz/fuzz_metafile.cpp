// Fuzz target: any bytes as a placeable metafile converted into a PDF form's content.
#include <cstddef>
#include <cstdint>
#include <span>

#include "pdf/metafile/metafile_form.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto form = korvalis::MetafileForm::convert(std::span(data, size), 72.0 / 25.4);
  if (form && (form->width == 0 || form->height == 0)) {
    __builtin_trap();  // a converted form always has a usable box
  }
  return 0;
}
