#include "records/record_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <future>
#include <memory>
#include <system_error>
#include <vector>

#include "platform/cp1252.h"
#include "records/key_table.h"
#include "records/value_ranks.h"

namespace korvalis {
namespace {

constexpr std::size_t kTrailerLength = 8;

/// Reads lines from record bytes: a line ends at CR LF, a lone CR or a lone LF. The next CR and
/// the next LF are looked up with memchr and remembered, so each byte is scanned about once even
/// when the file uses only one of the two.
class LineReader {
 public:
  explicit LineReader(std::string_view bytes) : bytes_(bytes) {}

  bool atEnd() const { return pos_ >= bytes_.size(); }
  std::size_t position() const { return pos_; }

  /// The line at the current position (without its end); moves past its end.
  std::string_view next() {
    const std::size_t start = pos_;
    if (nextCr_ < start || !started_) {
      nextCr_ = find('\r', start);
    }
    if (nextLf_ < start || !started_) {
      nextLf_ = find('\n', start);
    }
    started_ = true;
    const std::size_t end = std::min(nextCr_, nextLf_);
    pos_ = end;
    if (pos_ < bytes_.size() && bytes_[pos_] == '\r') {
      ++pos_;
    }
    if (pos_ < bytes_.size() && bytes_[pos_] == '\n') {
      ++pos_;
    }
    return bytes_.substr(start, end - start);
  }

 private:
  std::size_t find(char c, std::size_t from) const {
    if (from >= bytes_.size()) {
      return bytes_.size();
    }
    const void* at = std::memchr(bytes_.data() + from, c, bytes_.size() - from);
    return at == nullptr ? bytes_.size()
                         : static_cast<std::size_t>(static_cast<const char*>(at) - bytes_.data());
  }

  std::string_view bytes_;
  std::size_t pos_ = 0;
  std::size_t nextCr_ = 0;  ///< the first CR at or after the current line's start, or the end
  std::size_t nextLf_ = 0;  ///< the same for LF
  bool started_ = false;
};

constexpr std::string_view kLimitText = "2 GiB, the largest record file that is read";

RecordFileCheck tooLarge() {
  RecordFileCheck check;
  check.reason = "the file is larger than " + std::string(kLimitText);
  check.tooLarge = true;
  return check;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  return -1;
}

/// The trailer as a number: hexadecimal digits up to the first other character.
std::uint64_t trailerOffset(std::string_view trailer) {
  std::uint64_t value = 0;
  for (const char c : trailer) {
    const int digit = hexDigit(c);
    if (digit < 0) {
      break;
    }
    value = value * 16 + static_cast<std::uint64_t>(digit);
  }
  return value;
}

/// The check proper, given the file's length, its trailer and the line found at the offset.
RecordFileCheck judge(std::uint64_t length, std::uint64_t offset, std::string_view line,
                      std::string_view endLine) {
  RecordFileCheck check;
  check.endOffset = offset;
  if (line != endLine) {
    check.reason = "the line at offset " + std::to_string(offset) + " is not the end line '" +
                   std::string(endLine) + "'";
    return check;
  }
  const std::uint64_t expected = offset + line.size() + 2 + kTrailerLength;
  if (expected != length) {
    check.reason = "the file is " + std::to_string(length) + " bytes long, the trailer asks for " +
                   std::to_string(expected);
    return check;
  }
  check.valid = true;
  return check;
}

/// The order that sorts `entries` stably by info1, info2, info3, info4 (byte by byte): order[p]
/// is the entry that goes to position p. Each column is turned into ranks, then one stable
/// counting sort per column, from the last key to the first.
std::vector<std::uint32_t> sortOrder(const std::vector<RecordEntry>& entries) {
  std::vector<std::uint32_t> order(entries.size());
  for (std::uint32_t i = 0; i < order.size(); ++i) {
    order[i] = i;
  }
  std::vector<std::uint32_t> sorted(entries.size());
  std::vector<std::uint32_t> start;
  for (std::size_t k = RecordEntry::Info4 + 1; k-- > RecordEntry::Info1;) {
    std::size_t distinct = 0;
    const std::vector<std::uint32_t> rank = rankTexts(
        entries.size(), [&entries, k](std::size_t i) { return entries[i].column(k); }, &distinct);
    start.assign(distinct + 1, 0);
    for (const std::uint32_t r : rank) {
      ++start[r + 1];
    }
    for (std::size_t r = 1; r < start.size(); ++r) {
      start[r] += start[r - 1];
    }
    for (const std::uint32_t i : order) {
      sorted[start[rank[i]]++] = i;
    }
    order.swap(sorted);
  }
  return order;
}

/// Puts entries[order[p]] at position p, in place: each cycle of the permutation is walked once,
/// and `order` is used up (its elements become the identity) to mark the positions done.
void permute(std::vector<RecordEntry>& entries, std::vector<std::uint32_t>& order) {
  for (std::uint32_t p = 0; p < order.size(); ++p) {
    if (order[p] == p) {
      continue;
    }
    const RecordEntry first = entries[p];
    std::uint32_t to = p;
    while (order[to] != p) {
      const std::uint32_t from = order[to];
      entries[to] = entries[from];
      order[to] = to;
      to = from;
    }
    entries[to] = first;
    order[to] = to;
  }
}

}  // namespace

std::string recordEndLine(std::string_view baseNameUtf8) {
  if (auto converted = utf8ToCp1252(baseNameUtf8)) {
    return *std::move(converted);
  }
  return std::string(baseNameUtf8);
}

RecordFileCheck checkRecordBytes(std::string_view bytes, std::string_view endLine) {
  if (bytes.size() > kMaxRecordFileBytes) {
    return tooLarge();
  }
  if (bytes.size() < kTrailerLength) {
    return {false, "the file is shorter than its trailer", 0};
  }
  const std::uint64_t offset = trailerOffset(bytes.substr(bytes.size() - kTrailerLength));
  if (offset > bytes.size()) {
    return {false, "the trailer's offset " + std::to_string(offset) + " lies beyond the file",
            offset};
  }
  const std::string_view line = LineReader(bytes.substr(offset)).next();
  return judge(bytes.size(), offset, line, endLine);
}

RecordFileCheck checkRecordFile(const std::filesystem::path& path, std::string_view endLine) {
  std::ifstream in(path, std::ios::binary);
  std::error_code ec;
  const std::uintmax_t length = std::filesystem::file_size(path, ec);
  if (!in || ec || std::filesystem::is_directory(path, ec)) {
    return {false, "the file cannot be opened", 0};
  }
  if (length > kMaxRecordFileBytes) {
    return tooLarge();
  }
  if (length < kTrailerLength) {
    return {false, "the file is shorter than its trailer", 0};
  }
  std::string trailer(kTrailerLength, '\0');
  in.seekg(static_cast<std::streamoff>(length - kTrailerLength));
  in.read(trailer.data(), static_cast<std::streamsize>(kTrailerLength));
  if (!in) {
    return {false, "the file cannot be read", 0};
  }
  const std::uint64_t offset = trailerOffset(trailer);
  if (offset > length) {
    return {false, "the trailer's offset " + std::to_string(offset) + " lies beyond the file",
            offset};
  }
  // Only a line as long as the end line (plus its line end) can pass; read that much.
  const std::uint64_t want = std::min<std::uint64_t>(endLine.size() + 1, length - offset);
  std::string chunk(static_cast<std::size_t>(want), '\0');
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(chunk.data(), static_cast<std::streamsize>(want));
  if (!in) {
    return {false, "the file cannot be read", offset};
  }
  const std::string_view line = LineReader(chunk).next();
  return judge(length, offset, line, endLine);
}

RecordData parseRecordBytes(std::string bytes, std::string_view endLine) {
  RecordData data;
  auto owned = std::make_shared<const std::string>(std::move(bytes));
  // Entries keep 32-bit lengths; a file the loader accepts never comes near the cap.
  const std::string_view all =
      std::string_view(*owned).substr(0, static_cast<std::size_t>(kMaxRecordFileBytes));
  LineReader lines(all);
  const auto header = splitRecordLine(lines.next());
  for (std::size_t k = 0; k < header.size(); ++k) {
    data.header.fields[k] = header[k];
  }

  std::vector<RecordEntry> inFileOrder;
  inFileOrder.reserve(
      static_cast<std::size_t>(std::count(
          all.begin() + static_cast<std::ptrdiff_t>(lines.position()), all.end(), '\n')) +
      1);
  while (!lines.atEnd()) {
    const std::string_view line = lines.next();
    if (line == endLine) {
      break;
    }
    inFileOrder.emplace_back(line);
  }
  // Gathering the keys does not depend on the order, so it runs on a second thread while this
  // one sorts; the two only read the entries and meet at get(), before the entries are put in
  // order.
  std::future<KeyTable> table =
      std::async(std::launch::async, [&inFileOrder] { return KeyTable(inFileOrder); });
  std::vector<std::uint32_t> order = sortOrder(inFileOrder);
  data.index.entries = table.get().buildIndex(order, owned);
  permute(inFileOrder, order);
  data.list.entries = std::move(inFileOrder);
  data.list.bytes = std::move(owned);
  return data;
}

std::optional<std::string> makeRecordBytes(std::string_view tsv, std::string_view endLine,
                                           std::string& error) {
  std::vector<std::string_view> lines;
  LineReader reader(tsv);
  while (!reader.atEnd()) {
    lines.push_back(reader.next());
  }
  if (lines.empty()) {
    lines.emplace_back();  // a header line is always written
  }
  std::string out;
  out.reserve(tsv.size() + lines.size() + endLine.size() + 16);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0 && lines[i] == endLine) {
      error = "line " + std::to_string(i + 1) + " equals the end line '" + std::string(endLine) +
              "' and would end the reading there";
      return std::nullopt;
    }
    out.append(lines[i]);
    out.append("\r\n");
  }
  const std::uint64_t offset = out.size();
  if (offset + endLine.size() + 2 + kTrailerLength > kMaxRecordFileBytes) {
    error = "the record file would be larger than " + std::string(kLimitText);
    return std::nullopt;
  }
  out.append(endLine);
  out.append("\r\n");
  char trailer[9];
  std::snprintf(trailer, sizeof trailer, "%08llX", static_cast<unsigned long long>(offset));
  out.append(trailer, kTrailerLength);
  return out;
}

}  // namespace korvalis
