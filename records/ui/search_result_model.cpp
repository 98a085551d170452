#include "records/ui/search_result_model.h"

#include "platform/qt/qt_text.h"
#include "records/record_search.h"

namespace korvalis {

void SearchResultModel::setRows(std::vector<Row> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

EntryId SearchResultModel::entryAt(int row) const {
  return row >= 0 && static_cast<std::size_t>(row) < rows_.size()
             ? rows_[static_cast<std::size_t>(row)].entry
             : kNoEntry;
}

int SearchResultModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int SearchResultModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 2;
}

QVariant SearchResultModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || static_cast<std::size_t>(index.row()) >= rows_.size()) {
    return {};
  }
  const Row& row = rows_[static_cast<std::size_t>(index.row())];
  if (role == Qt::DisplayRole) {
    return index.column() == 0
               ? QString::fromStdString(rowNumberText(static_cast<std::size_t>(index.row())))
               : toQString(row.key);
  }
  if (role == EntryRole) {
    return static_cast<qulonglong>(row.entry);
  }
  return {};
}

QVariant SearchResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
    return {};
  }
  return section == 0 ? QStringLiteral("Nr.") : QStringLiteral("Eintrag");
}

}  // namespace korvalis
