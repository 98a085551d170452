#include "batch/save_list_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <limits>

namespace korvalis {

std::size_t savedRowCount(const std::vector<LinkRow>& rows) {
  std::size_t count = 0;
  while (count < rows.size() && !rows[count].reference.empty()) {
    ++count;
  }
  return count;
}

std::string formatSaveList(const std::vector<LinkRow>& rows) {
  const std::size_t count = savedRowCount(rows);
  std::string out;
  std::size_t bytes = 0;
  for (std::size_t i = 0; i < count; ++i) {
    bytes += rows[i].reference.size() + rows[i].fileName.size() + rows[i].status.size() + 20;
  }
  out.reserve(bytes);
  std::array<char, 16> number{};
  for (std::size_t i = 0; i < count; ++i) {
    const LinkRow& row = rows[i];
    out += row.reference;
    out += '\t';
    out += row.fileName;
    out += '\t';
    out += row.status;
    out += '\t';
    const auto [end, ec] = std::to_chars(number.data(), number.data() + number.size(), row.code);
    out.append(number.data(), end);
    out += '\t';
    out += row.checked ? '2' : '0';
    out += "\r\n";
  }
  return out;
}

std::int32_t leadingInteger(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) {
    ++at;
  }
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
    negative = text[at] == '-';
    ++at;
  }
  std::int64_t value = 0;
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    value = std::min(kLimit, value * 10 + (text[at] - '0'));
  }
  if (negative) {
    value = -value;
  }
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

namespace {

LinkRow parseLine(std::string_view line) {
  std::array<std::string_view, 5> fields{};
  std::size_t field = 0;
  std::size_t start = 0;
  while (field < fields.size()) {
    const std::size_t tab = line.find('\t', start);
    fields[field++] = line.substr(start, tab == std::string_view::npos ? line.npos : tab - start);
    if (tab == std::string_view::npos) {
      break;
    }
    start = tab + 1;
  }
  LinkRow row;
  row.reference = fields[0];
  row.fileName = fields[1];
  row.status = fields[2];
  row.code = leadingInteger(fields[3]);
  row.checked = leadingInteger(fields[4]) != 0;
  return row;
}

}  // namespace

std::vector<LinkRow> parseSaveList(std::string_view bytes) {
  std::vector<LinkRow> rows;
  std::size_t start = 0;
  do {
    const std::size_t lf = bytes.find('\n', start);
    std::string_view line =
        bytes.substr(start, lf == std::string_view::npos ? bytes.npos : lf - start);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    rows.push_back(parseLine(line));
    start = lf == std::string_view::npos ? bytes.size() : lf + 1;
  } while (start < bytes.size());
  return rows;
}

}  // namespace korvalis
