#pragma once

#include <array>
#include <string>

namespace korvalis {

/// The eight TAB-separated fields of a record file's first line, kept as read.
struct RecordHeader {
  std::array<std::string, 8> fields;
};

}  // namespace korvalis
