#include "records/record_entry.h"

#include <cstring>

namespace korvalis {
namespace {

constexpr std::string_view kEmptyPages = "00001";

/// The position of the next TAB in `line` from `from`, or the line's length.
std::size_t nextTab(std::string_view line, std::size_t from) {
  if (from >= line.size()) {
    return line.size();
  }
  const void* tab = std::memchr(line.data() + from, '\t', line.size() - from);
  return tab == nullptr ? line.size()
                        : static_cast<std::size_t>(static_cast<const char*>(tab) - line.data());
}

}  // namespace

std::array<std::string_view, RecordEntry::kColumns> splitRecordLine(std::string_view line) {
  std::array<std::string_view, RecordEntry::kColumns> fields{};
  std::size_t start = 0;
  for (std::size_t k = 0; k < fields.size(); ++k) {
    const std::size_t end = nextTab(line, start);
    fields[k] = line.substr(start, end - start);
    if (end == line.size()) {
      break;
    }
    start = end + 1;
  }
  return fields;
}

RecordEntry::RecordEntry(std::string_view line)
    : line_(line.data()), length_(static_cast<std::uint32_t>(line.size())) {
  if (line.size() > kLongestSplitLine) {
    return;
  }
  std::size_t start = 0;
  for (std::size_t k = 0; k < kColumns; ++k) {
    // Columns missing from the line end at its end, so they come out empty.
    const std::size_t end = start > line.size() ? line.size() : nextTab(line, start);
    ends_[k] = static_cast<std::uint16_t>(end);
    start = end + 1;
  }
}

std::string_view RecordEntry::splitColumn(std::size_t which) const {
  return which < kColumns ? splitRecordLine(line())[which] : std::string_view();
}

std::array<std::string_view, RecordEntry::kColumns> RecordEntry::columns() const {
  std::array<std::string_view, kColumns> fields;
  for (std::size_t k = 0; k < kColumns; ++k) {
    fields[k] = column(k);
  }
  return fields;
}

std::string_view RecordEntry::pages() const {
  const std::string_view stored = column(Pages);
  return stored.empty() ? kEmptyPages : stored;
}

}  // namespace korvalis
