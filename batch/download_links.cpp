#include "batch/download_links.h"

#include <array>
#include <span>

#include "batch/save_list_file.h"

namespace korvalis {

namespace {
constexpr std::int32_t kMaxId = 999'999'999;
constexpr std::int32_t kMaxPage = 99'999;

/// `value` as decimal digits filling `out`, with leading zeros.
void writeDigits(std::span<char> out, std::int32_t value) {
  for (auto it = out.rbegin(); it != out.rend(); ++it) {
    *it = static_cast<char>('0' + value % 10);
    value /= 10;
  }
}

std::string_view entriesWord(std::size_t count) {
  return count == 1 ? " Eintrag " : " Eintr\xE4ge ";
}
}  // namespace

std::variant<std::vector<LinkRow>, std::string_view> makeLinkRows(std::string_view idField,
                                                                  std::string_view fromField,
                                                                  std::string_view toField) {
  const std::int32_t id = leadingInteger(idField);
  if (id < 1 || id > kMaxId) {
    return kIdRangeMessage;
  }
  std::int32_t from = leadingInteger(fromField);
  std::int32_t to = leadingInteger(toField);
  for (const std::int32_t page : {from, to}) {
    if (page < 1 || page > kMaxPage) {
      return kPageRangeMessage;
    }
  }
  if (from > to) {
    std::swap(from, to);
  }
  // ID as 9 digits, "_", page as 5 digits (both in range, so never longer).
  std::array<char, 15> reference{};
  writeDigits(std::span(reference).first(9), id);
  reference[9] = '_';
  const LinkRow fresh{.reference = {}, .fileName = {}, .status = std::string(kStatusNew)};
  std::vector<LinkRow> rows(static_cast<std::size_t>(to - from + 1), fresh);
  for (std::int32_t page = from; page <= to; ++page) {
    writeDigits(std::span(reference).last(5), page);
    rows[static_cast<std::size_t>(page - from)].reference.assign(reference.data(),
                                                                 reference.size());
  }
  return rows;
}

std::string linkOf(std::string_view pagePrefix, std::string_view reference,
                   std::string_view pageSuffix) {
  std::string link;
  link.reserve(pagePrefix.size() + reference.size() + pageSuffix.size());
  link.append(pagePrefix).append(reference).append(pageSuffix);
  return link;
}

std::string linkText(const std::vector<LinkRow>& rows, std::string_view pagePrefix,
                     std::string_view pageSuffix, std::size_t* written) {
  std::string text;
  std::size_t count = 0;
  for (const LinkRow& row : rows) {
    if (row.reference.empty()) {
      break;
    }
    if (row.checked) {
      text.append(pagePrefix).append(row.reference).append(pageSuffix).append("\r\n");
      ++count;
    }
  }
  if (written != nullptr) {
    *written = count;
  }
  return text;
}

std::string linksWrittenMessage(std::size_t written, std::size_t total) {
  return std::to_string(written) + " von " + std::to_string(total) +
         std::string(entriesWord(total)) + " in Datei geschrieben.";
}

std::string rowsWrittenMessage(std::size_t count) {
  return std::to_string(count) + std::string(entriesWord(count)) + " in Datei geschrieben.";
}

}  // namespace korvalis
