// Fuzz target: any bytes as a record file named "Beispiel.krv" go through the validity rule,
// the loader, the tree and a search, as opening such a file in the program does.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "records/record_file.h"
#include "records/record_search.h"
#include "records/record_tree.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string endLine = korvalis::recordEndLine("Beispiel");
  (void)korvalis::checkRecordBytes(bytes, endLine);
  korvalis::RecordData records = korvalis::parseRecordBytes(std::string(bytes), endLine);
  (void)korvalis::buildTreeItems(records.list, endLine);
  (void)korvalis::runSearch(records.index, records.list, "a");
  return 0;
}
