#pragma once

#include <QAbstractTableModel>
#include <string>
#include <string_view>
#include <vector>

#include "records/record_entry.h"

namespace korvalis {

/// The rows of the search-result list: column 0 the running number followed by a blank,
/// column 1 the key. Each row carries the entry its key belongs to.
class SearchResultModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  /// The role that returns a row's entry (EntryId as qulonglong).
  static constexpr int EntryRole = Qt::UserRole + 1;

  struct Row {
    Row() = default;
    Row(std::string_view keyText, EntryId rowEntry) : key(keyText), entry(rowEntry) {}
    std::string key;  ///< Windows-1252, a copy: the rows outlive a reload of the record file
    EntryId entry = kNoEntry;
  };

  using QAbstractTableModel::QAbstractTableModel;

  /// Replaces all rows.
  void setRows(std::vector<Row> rows);
  const std::vector<Row>& rows() const { return rows_; }
  /// The entry of row `row`, or kNoEntry.
  EntryId entryAt(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::vector<Row> rows_;
};

}  // namespace korvalis
