#include "app/citation.h"

#include <ctime>

#include "archive/page_address.h"
#include "records/entry_info.h"

namespace korvalis {

namespace {

/// Labels of the fields, in their order (Windows-1252).
constexpr std::array<std::string_view, 9> kLabels = {"Ebene 1", "Ebene 2", "Ebene 3",
                                                     "Ebene 4", "Film-ID", "Seite",
                                                     "APID",    "Adresse", "Angesehen am"};

std::array<std::string_view, 9> fieldsOf(const PageCitation& c) {
  return {c.levels[0], c.levels[1], c.levels[2], c.levels[3], c.id,
          c.page,      c.apid,      c.address,   c.viewed};
}

std::string csvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
    return std::string(text);
  }
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') {
      quoted += '"';
    }
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

}  // namespace

PageCitation makePageCitation(const RecordList& list, std::string_view id, std::string_view page,
                              std::string_view apid, std::string_view servicePrefix,
                              std::string_view viewed) {
  PageCitation citation;
  citation.id = idText(id);
  citation.page = pageText(page);
  citation.apid = apid == kUnknownApid ? std::string() : std::string(apid);
  citation.address = downloadLinkUrl(servicePrefix, makePageRef(citation.id, citation.page));
  citation.viewed = std::string(viewed);
  if (const RecordEntry* entry =
          list.find(findEntryByIdAndPage(list, citation.id, citation.page))) {
    citation.levels = {std::string(entry->info1()), std::string(entry->info2()),
                       std::string(entry->info3()), std::string(entry->info4())};
  }
  return citation;
}

std::string isoDay(std::chrono::system_clock::time_point when) {
  const std::time_t time = std::chrono::system_clock::to_time_t(when);
  std::tm local{};
  localtime_r(&time, &local);
  char text[16];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return std::string(text, length);
}

std::string citationText(const PageCitation& citation) {
  const auto fields = fieldsOf(citation);
  std::string text;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    text += kLabels[i];
    text += ": ";
    text += fields[i];
    text += '\n';
  }
  return text;
}

std::string citationCsvHeader() {
  std::string line;
  for (const std::string_view label : kLabels) {
    line += line.empty() ? "" : ",";
    line += csvField(label);
  }
  return line;
}

std::string citationCsvRow(const PageCitation& citation) {
  std::string line;
  bool first = true;
  for (const std::string_view field : fieldsOf(citation)) {
    line += first ? "" : ",";
    first = false;
    line += csvField(field);
  }
  return line;
}

}  // namespace korvalis
