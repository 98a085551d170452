// Fuzz target: any bytes as an answer of the archive's image service, read by every parser
// of those answers and classified as a page answer.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "archive/page_address.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view answer(reinterpret_cast<const char*>(data), size);
  (void)korvalis::extractApid(answer);
  (void)korvalis::parseImageSize(answer);
  (void)korvalis::extractChildName(answer);
  const std::span<const unsigned char> body(data, size);
  for (const auto shown :
       {korvalis::PageAnswer::Shown, korvalis::PageAnswer::Ignored, korvalis::PageAnswer::Broken}) {
    (void)korvalis::classifyPageAnswer(body, shown);
  }
  return 0;
}
