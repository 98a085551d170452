// Fuzz target: the save-list reader must accept any bytes, and what it reads must survive a
// write and a second read unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "batch/save_list_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto rows = korvalis::parseSaveList(bytes);
  const std::string written = korvalis::formatSaveList(rows);
  if (korvalis::formatSaveList(korvalis::parseSaveList(written)) != written) {
    std::abort();
  }
  return 0;
}
