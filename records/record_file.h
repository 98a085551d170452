#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "records/record_data.h"

namespace korvalis {

/// The largest record file that is read (2 GiB): entries keep 32-bit positions into the file's
/// bytes, and the eight-digit trailer cannot address much more in any case.
inline constexpr std::uint64_t kMaxRecordFileBytes = std::uint64_t{1} << 31;

/// The result of the validity rule for a record file.
struct RecordFileCheck {
  bool valid = false;
  std::string reason;           ///< why the file is invalid (English, for krv and logs)
  std::uint64_t endOffset = 0;  ///< the trailer's offset (where the end line begins)
  bool tooLarge = false;        ///< refused because it is larger than kMaxRecordFileBytes
};

/// The end line a record file named `baseNameUtf8` (its file name without ".krv", UTF-8 as on
/// disk) must hold: the name in Windows-1252; the name's bytes unchanged when it has a
/// character Windows-1252 cannot store.
std::string recordEndLine(std::string_view baseNameUtf8);

/// The validity rule over a whole file held in memory: the last eight bytes read as a
/// hexadecimal number (up to the first non-digit; none gives 0) are the offset of a line that
/// equals `endLine`, and offset + length of that line + 2 + 8 is the file's length.
RecordFileCheck checkRecordBytes(std::string_view bytes, std::string_view endLine);

/// The validity rule for the file at `path` (reads only the trailer and the end line). A file
/// larger than kMaxRecordFileBytes is refused before anything is read.
RecordFileCheck checkRecordFile(const std::filesystem::path& path, std::string_view endLine);

/// Reads record file bytes: the header line, then data lines up to the first line equal to
/// `endLine` (or the end of the bytes); sorts the entries and builds the search index.
/// Lines end with CR LF, a lone CR or a lone LF. Never fails; the validity rule is separate.
/// The result keeps `bytes` (shared by its list and index) and its texts view them; bytes
/// beyond kMaxRecordFileBytes are not read.
RecordData parseRecordBytes(std::string bytes, std::string_view endLine);

/// Makes the bytes of a valid record file from TSV text: its first line becomes the header,
/// the other lines the data lines (LF or CR LF in the input; a last empty line is dropped),
/// then the end line `endLine` and the trailer; CR LF line ends. Fails (returns nothing and
/// sets `error`) when a data line equals the end line (it would end the reading early) or the
/// file would be larger than kMaxRecordFileBytes.
std::optional<std::string> makeRecordBytes(std::string_view tsv, std::string_view endLine,
                                           std::string& error);

}  // namespace korvalis
