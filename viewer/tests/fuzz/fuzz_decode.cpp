// Fuzz target: any bytes as a received page or an opened page file (JPEG, PNG, TIFF, BMP),
// decoded in full and scaled for display, as the page view does.
#include <cstddef>
#include <cstdint>
#include <span>

#include "viewer/image_codec.h"
#include "viewer/scale.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  const korvalis::DecodeResult decoded = korvalis::decodeImage(bytes);
  if (decoded.ok()) {
    (void)korvalis::scaleImage(decoded.image, 16, 16);
  }
  return 0;
}
