#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace korvalis {

/// The identity of an entry: its position in the sorted RecordList. The tree's leaves, the
/// search index, the search-result rows and the current-entry cursor all use it.
using EntryId = std::size_t;

/// No entry (a tree item that is not a leaf, an empty cursor).
inline constexpr EntryId kNoEntry = static_cast<EntryId>(-1);

/// One archive entry, one data line of a record file. The entry keeps only where its line
/// lies and where its columns end; the texts are views into that line (Windows-1252 bytes as
/// stored). Whoever holds the entry keeps the line's bytes alive (RecordList does). (A struct,
/// as the code that only passes entries on declares it.)
struct RecordEntry {
  /// The columns of a data line in their file order.
  enum Column : std::size_t { Info1, Info2, Info3, Info4, Apid, Id, Pages, Info5, kColumns };

  RecordEntry() = default;
  /// An entry over the data line `line` (without its line end); at most 4 GiB - 1 bytes.
  explicit RecordEntry(std::string_view line);

  std::string_view info1() const { return column(Info1); }  ///< column 1
  std::string_view info2() const { return column(Info2); }  ///< column 2
  std::string_view info3() const { return column(Info3); }  ///< column 3
  std::string_view info4() const { return column(Info4); }  ///< column 4
  /// Column 5, the archive's identifier; not validated.
  std::string_view apid() const { return column(Apid); }
  /// Column 6, nine decimal digits.
  std::string_view id() const { return column(Id); }
  /// Column 7, "first-last" with five digits each; "00001" when the column is empty.
  std::string_view pages() const;
  /// Column 8, further search terms separated by ",".
  std::string_view info5() const { return column(Info5); }

  /// One column as stored (column 7 without the "00001" default); empty when the line has
  /// fewer columns. Text after the eighth column is ignored.
  std::string_view column(std::size_t which) const {
    if (which >= kColumns || length_ > kLongestSplitLine) {
      return splitColumn(which);
    }
    const std::size_t start =
        which == 0 ? 0 : std::min<std::size_t>(ends_[which - 1] + 1U, length_);
    return {line_ + start, ends_[which] - start};
  }
  /// All eight columns in one pass, as column() gives them.
  std::array<std::string_view, kColumns> columns() const;

  /// The whole data line.
  std::string_view line() const { return {line_, length_}; }

  std::int32_t treeItem = -1;  ///< position of the entry's leaf in the tree; -1 without a leaf

 private:
  /// Lines up to this length keep their column ends; longer ones are split when asked.
  static constexpr std::size_t kLongestSplitLine = UINT16_MAX;
  std::string_view splitColumn(std::size_t which) const;

  const char* line_ = nullptr;
  std::uint32_t length_ = 0;
  std::array<std::uint16_t, kColumns> ends_{};  ///< where each column ends within the line
};

/// The columns of a data line: split at TAB into at most eight fields; missing fields are empty,
/// text after the eighth field is ignored.
std::array<std::string_view, RecordEntry::kColumns> splitRecordLine(std::string_view line);

}  // namespace korvalis
