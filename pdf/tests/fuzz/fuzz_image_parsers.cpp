// Fuzz target: any bytes as a JPEG or PNG file handed to the PDF writer's image walks.
#include <cstddef>
#include <cstdint>
#include <span>

#include "pdf/detail/pdf_image_parsers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  korvalis::PdfImage png;
  (void)korvalis::parsePng(png, bytes);
  korvalis::PdfImage jpeg;
  (void)korvalis::parseJpegHeader(jpeg, bytes, true);
  korvalis::PdfImage part;
  (void)korvalis::parseJpegHeader(part, bytes, false);
  return 0;
}
