#include "records/record_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <future>
#include <iterator>
#include <system_error>
#include <vector>

#include "platform/cp1252.h"
#include "records/value_ranks.h"

namespace korvalis {
namespace {

constexpr std::size_t kTrailerLength = 8;
constexpr std::string_view kEmptyPages = "00001";

/// The line starting at `pos` (without its end) and the position after its end
/// (CR LF, a lone CR or a lone LF).
std::string_view nextLine(std::string_view bytes, std::size_t& pos) {
  const std::size_t start = pos;
  std::size_t end = start;
  while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') {
    ++end;
  }
  pos = end;
  if (pos < bytes.size() && bytes[pos] == '\r') {
    ++pos;
  }
  if (pos < bytes.size() && bytes[pos] == '\n' && (pos == end || bytes[pos - 1] == '\r')) {
    ++pos;
  }
  return bytes.substr(start, end - start);
}

/// Splits `line` at TAB into at most `N` fields; missing fields stay empty, text after the
/// N-th TAB-separated field is ignored.
template <std::size_t N>
std::array<std::string_view, N> splitTabs(std::string_view line) {
  std::array<std::string_view, N> fields{};
  std::size_t start = 0;
  for (std::size_t k = 0; k < N && start <= line.size(); ++k) {
    const std::size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) {
      fields[k] = line.substr(start);
      break;
    }
    fields[k] = line.substr(start, tab - start);
    start = tab + 1;
  }
  return fields;
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

/// An entry's fields as views into the file's bytes, before sorting.
struct RawEntry {
  std::array<std::string_view, 8> fields;
};

/// An index element as a view into the file's bytes.
struct RawKey {
  std::string_view key;
  EntryId entry;
};

/// The index keys of one entry: its info2, then the info5 items up to the first empty one,
/// each without leading blanks.
void addKeys(const RawEntry& entry, EntryId id, std::vector<RawKey>& keys) {
  keys.push_back({entry.fields[1], id});
  std::string_view rest = entry.fields[7];
  while (true) {
    const std::size_t comma = rest.find(',');
    std::string_view item = rest.substr(0, comma);
    if (item.empty()) {
      return;
    }
    item.remove_prefix(std::min(item.find_first_not_of(' '), item.size()));
    keys.push_back({item, id});
    if (comma == std::string_view::npos) {
      return;
    }
    rest.remove_prefix(comma + 1);
  }
}

RecordEntry makeEntry(const RawEntry& raw) {
  RecordEntry entry;
  entry.info1 = raw.fields[0];
  entry.info2 = raw.fields[1];
  entry.info3 = raw.fields[2];
  entry.info4 = raw.fields[3];
  entry.apid = raw.fields[4];
  entry.id = raw.fields[5];
  entry.pages = raw.fields[6].empty() ? kEmptyPages : raw.fields[6];
  entry.info5 = raw.fields[7];
  return entry;
}

/// The search index of the entries `raw` in list order `order`: each entry's keys, sorted by
/// key (byte by byte) and by entry, without duplicate pairs.
SearchIndex buildIndex(const std::vector<RawEntry>& raw, const std::vector<EntryId>& order) {
  std::vector<RawKey> keys;
  keys.reserve(raw.size() * 3);
  for (EntryId p = 0; p < order.size(); ++p) {
    addKeys(raw[order[p]], p, keys);
  }

  // Keys were added entry by entry in list order, so a stable distribution by key rank gives
  // the order by (key, entry); equal neighbours are then the duplicates to drop.
  std::vector<std::string_view> keyTexts(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    keyTexts[i] = keys[i].key;
  }
  const std::vector<std::uint32_t> keyRanks = rankTexts(keyTexts);
  std::vector<std::size_t> start(keys.size() + 1, 0);
  for (const std::uint32_t rank : keyRanks) {
    ++start[rank + 1];
  }
  for (std::size_t r = 1; r < start.size(); ++r) {
    start[r] += start[r - 1];
  }
  std::vector<std::size_t> sorted(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    sorted[start[keyRanks[i]]++] = i;
  }
  SearchIndex index;
  index.entries.reserve(keys.size());
  for (std::size_t n = 0; n < sorted.size(); ++n) {
    const RawKey& k = keys[sorted[n]];
    if (n > 0 && keys[sorted[n - 1]].entry == k.entry &&
        keyRanks[sorted[n - 1]] == keyRanks[sorted[n]]) {
      continue;
    }
    index.entries.push_back(IndexEntry{k.entry, std::string(k.key)});
  }
  index.prepareSearch();
  return index;
}

}  // namespace

std::string recordEndLine(std::string_view baseNameUtf8) {
  if (auto converted = utf8ToCp1252(baseNameUtf8)) {
    return *std::move(converted);
  }
  return std::string(baseNameUtf8);
}

RecordFileCheck checkRecordBytes(std::string_view bytes, std::string_view endLine) {
  if (bytes.size() < kTrailerLength) {
    return {false, "the file is shorter than its trailer", 0};
  }
  const std::uint64_t offset = trailerOffset(bytes.substr(bytes.size() - kTrailerLength));
  if (offset > bytes.size()) {
    return {false, "the trailer's offset " + std::to_string(offset) + " lies beyond the file",
            offset};
  }
  std::size_t pos = offset;
  const std::string_view line = nextLine(bytes, pos);
  return judge(bytes.size(), offset, line, endLine);
}

RecordFileCheck checkRecordFile(const std::filesystem::path& path, std::string_view endLine) {
  std::ifstream in(path, std::ios::binary);
  std::error_code ec;
  const std::uintmax_t length = std::filesystem::file_size(path, ec);
  if (!in || ec || std::filesystem::is_directory(path, ec)) {
    return {false, "the file cannot be opened", 0};
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
  std::size_t pos = 0;
  const std::string_view line = nextLine(chunk, pos);
  return judge(length, offset, line, endLine);
}

RecordData parseRecordBytes(std::string_view bytes, std::string_view endLine) {
  RecordData data;
  std::size_t pos = 0;
  const auto header = splitTabs<8>(nextLine(bytes, pos));
  for (std::size_t k = 0; k < header.size(); ++k) {
    data.header.fields[k] = header[k];
  }

  std::vector<RawEntry> raw;
  raw.reserve(static_cast<std::size_t>(
                  std::count(bytes.begin() + static_cast<std::ptrdiff_t>(pos), bytes.end(), '\n')) +
              1);
  while (pos < bytes.size()) {
    const std::string_view line = nextLine(bytes, pos);
    if (line == endLine) {
      break;
    }
    raw.push_back(RawEntry{splitTabs<8>(line)});
  }

  // Stable four-key sort; `order[p]` is the file position of the entry that goes to p. The
  // columns are turned into ranks first, so the sort compares integers.
  std::array<std::vector<std::uint32_t>, 4> ranks;
  {
    std::vector<std::string_view> column(raw.size());
    for (std::size_t k = 0; k < ranks.size(); ++k) {
      for (std::size_t i = 0; i < raw.size(); ++i) {
        column[i] = raw[i].fields[k];
      }
      ranks[k] = rankTexts(column);
    }
  }
  std::vector<EntryId> order(raw.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    order[i] = i;
  }
  std::stable_sort(order.begin(), order.end(), [&ranks](EntryId a, EntryId b) {
    for (const auto& rank : ranks) {
      if (rank[a] != rank[b]) {
        return rank[a] < rank[b];
      }
    }
    return false;
  });

  // The search index needs only the order, so it is built on a second thread while this one
  // copies the entries; the two touch disjoint data and meet at get().
  std::future<SearchIndex> index =
      std::async(std::launch::async, [&raw, &order] { return buildIndex(raw, order); });
  data.list.entries.reserve(raw.size());
  for (const EntryId from : order) {
    data.list.entries.push_back(makeEntry(raw[from]));
  }
  data.index = index.get();
  return data;
}

std::optional<std::string> readWholeFile(const std::filesystem::path& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return std::nullopt;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) {
    return std::nullopt;
  }
  std::string bytes(static_cast<std::size_t>(size), '\0');
  in.seekg(0);
  in.read(bytes.data(), size);
  if (!in && !bytes.empty()) {
    return std::nullopt;
  }
  return bytes;
}

std::optional<std::string> makeRecordBytes(std::string_view tsv, std::string_view endLine,
                                           std::string& error) {
  std::vector<std::string_view> lines;
  std::size_t pos = 0;
  while (pos < tsv.size()) {
    lines.push_back(nextLine(tsv, pos));
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
  if (offset > 0xFFFFFFFFULL) {
    error = "the data is too large for the eight-digit trailer";
    return std::nullopt;
  }
  out.append(endLine);
  out.append("\r\n");
  char trailer[9];
  std::snprintf(trailer, sizeof trailer, "%08llX", static_cast<unsigned long long>(offset));
  out.append(trailer, kTrailerLength);
  return out;
}

bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  std::filesystem::path temp = path;
  temp += ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) {
      return false;
    }
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      out.close();
      std::error_code ec;
      std::filesystem::remove(temp, ec);
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    return false;
  }
  return true;
}

}  // namespace korvalis
