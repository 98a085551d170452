#include "records/entry_info.h"

#include "platform/main_view.h"

namespace korvalis {
namespace {

/// info5 with every ", " replaced by CR TAB.
std::string info5Lines(std::string_view info5) {
  std::string out;
  out.reserve(info5.size());
  std::size_t from = 0;
  while (true) {
    const std::size_t at = info5.find(", ", from);
    if (at == std::string_view::npos) {
      out.append(info5.substr(from));
      return out;
    }
    out.append(info5.substr(from, at - from));
    out.append("\r\t");
    from = at + 2;
  }
}

}  // namespace

std::string entryInfoText(const RecordEntry* entry) {
  const auto line = [entry](std::string_view label, std::string_view value) {
    std::string text(label);
    if (entry != nullptr) {
      text += '\t';
      text += value;
    }
    return text;
  };
  static const RecordEntry kNoFields;
  const RecordEntry& e = entry != nullptr ? *entry : kNoFields;
  const std::string lines[] = {
      "",
      line("  ID:", e.id()),
      line("  Seiten:", e.pages()),
      "",
      line("  APID:", e.apid()),
      "",
      line("  Info 1:", e.info1()),
      line("  Info 2:", e.info2()),
      line("  Info 3:", e.info3()),
      line("  Info 4:", e.info4()),
      "",
      line("  Info 5:", entry != nullptr ? info5Lines(e.info5()) : std::string()),
      "",
  };
  std::string text;
  for (std::size_t i = 0; i < std::size(lines); ++i) {
    if (i > 0) {
      text += '\r';
    }
    text += lines[i];
  }
  return text;
}

std::string_view firstPageOf(std::string_view pages) {
  return pages.substr(0, pages.find('-'));
}

std::string_view lastPageOf(std::string_view pages) {
  const std::size_t dash = pages.find('-');
  return dash == std::string_view::npos ? std::string_view() : pages.substr(dash + 1);
}

std::string refreshEntryInfo(RecordList& list, EntryId selectedLeafEntry, MainView* view) {
  if (!list.setCurrent(selectedLeafEntry)) {
    return entryInfoText(nullptr);
  }
  const RecordEntry& entry = *list.currentEntry();
  if (view != nullptr) {
    view->setApidField(entry.apid());
    view->setIdField(entry.id());
    view->setPageField(firstPageOf(entry.pages()));
  }
  return entryInfoText(&entry);
}

EntryId findEntryByIdAndPage(const RecordList& list, std::string_view id, std::string_view page) {
  for (EntryId i = 0; i < list.size(); ++i) {
    // The lines lie in file order, the entries in sorted order: ask for a line ahead early.
    constexpr EntryId kAhead = 8;
    if (i + kAhead < list.size()) {
      __builtin_prefetch(list.entries[i + kAhead].line().data());
    }
    const RecordEntry& e = list.entries[i];
    if (e.id() != id) {
      continue;
    }
    const std::string_view pages = e.pages();
    if (firstPageOf(pages) <= page && page <= lastPageOf(pages)) {
      return i;
    }
  }
  return kNoEntry;
}

}  // namespace korvalis
