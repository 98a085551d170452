#include "batch/save_list.h"

#include <algorithm>

namespace korvalis {

std::string_view statusTextForCode(std::int32_t code) {
  switch (code) {
    case kRowSaved:
      return "OK";
    case kRowWriteFailed:
      return "Fehler 2!";
    case kRowNoImage:
      return "Fehler 3!";
    case kRowUndecodable:
      return "Fehler 4!";
    case kRowNoData:
      return "Fehler 5!";
    case kRowStopped:
      return "STOP";
    default:
      return "";
  }
}

const LinkRow& SaveList::row(std::size_t index) const {
  static const LinkRow kNoRow{};
  return index < rows_.size() ? rows_[index] : kNoRow;
}

std::size_t SaveList::activeCount() const {
  const auto end = std::find_if(rows_.begin(), rows_.end(),
                                [](const LinkRow& row) { return row.reference.empty(); });
  return static_cast<std::size_t>(end - rows_.begin());
}

bool SaveList::anyActiveChecked() const {
  for (const LinkRow& row : rows_) {
    if (row.reference.empty()) {
      return false;
    }
    if (row.checked) {
      return true;
    }
  }
  return false;
}

void SaveList::replaceAll(std::vector<LinkRow> rows) {
  rows_ = std::move(rows);
  if (observer_ != nullptr) {
    observer_->rowsReset();
  }
}

void SaveList::updateAll(const std::function<void(std::vector<LinkRow>&)>& change) {
  change(rows_);
  if (observer_ != nullptr && !rows_.empty()) {
    observer_->rowsChanged(0, rows_.size() - 1);
  }
}

void SaveList::setChecked(std::size_t index, bool checked) {
  if (index < rows_.size() && rows_[index].checked != checked) {
    rows_[index].checked = checked;
    changed(index);
  }
}

void SaveList::setCodeAndStatus(std::size_t index, std::int32_t code, std::string_view status) {
  if (index < rows_.size()) {
    rows_[index].code = code;
    rows_[index].status = status;
    changed(index);
  }
}

void SaveList::changed(std::size_t index) {
  if (observer_ != nullptr) {
    observer_->rowsChanged(index, index);
  }
}

}  // namespace korvalis
