#pragma once

#include <QAbstractTableModel>
#include <functional>

#include "batch/save_list.h"

namespace korvalis {

/// The Qt view of a SaveList: three columns (reference with the row's check box, file name,
/// status), no header. Reads the rows on demand, so 99,999 rows cost nothing until shown; a
/// bulk change of the list is one reset or one change of all rows.
class SaveListModel : public QAbstractTableModel, private SaveListObserver {
  Q_OBJECT

 public:
  /// Observes `list` until destroyed; `userChecked` runs after the user changed a check mark.
  SaveListModel(SaveList& list, std::function<void()> userChecked, QObject* parent = nullptr);
  ~SaveListModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  void rowsReset() override;
  void rowsChanged(std::size_t first, std::size_t last) override;

  SaveList& list_;
  std::function<void()> userChecked_;
};

}  // namespace korvalis
