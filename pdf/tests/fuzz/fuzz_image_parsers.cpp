// Fuzz target: any bytes as a JPEG or PNG file handed to the PDF writer's image walks.
#include <cstddef>
#include <cstdint>
#include <span>

#include "pdf/pdf_image_parsers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  korvalis::PdfBuffer file;
  if (!file.append(std::span<const std::uint8_t>(data, size))) {
    return 0;
  }
  korvalis::PdfImage png;
  (void)korvalis::parsePng(png, file);
  korvalis::PdfImage jpeg;
  (void)korvalis::parseJpeg(jpeg, std::move(file));
  return 0;
}
