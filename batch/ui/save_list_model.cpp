#include "batch/ui/save_list_model.h"

#include "platform/qt/qt_text.h"

namespace korvalis {

namespace {
constexpr int kColumns = 3;
}

SaveListModel::SaveListModel(SaveList& list, std::function<void()> userChecked, QObject* parent)
    : QAbstractTableModel(parent), list_(list), userChecked_(std::move(userChecked)) {
  list_.setObserver(this);
}

SaveListModel::~SaveListModel() {
  list_.setObserver(nullptr);
}

int SaveListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(list_.size());
}

int SaveListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QVariant SaveListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || static_cast<std::size_t>(index.row()) >= list_.size()) {
    return {};
  }
  const LinkRow& row = list_.row(static_cast<std::size_t>(index.row()));
  if (role == Qt::CheckStateRole && index.column() == 0) {
    return row.checked ? Qt::Checked : Qt::Unchecked;
  }
  if (role == Qt::DisplayRole) {
    switch (index.column()) {
      case 0:
        return toQString(row.reference);
      case 1:
        return toQString(row.fileName);
      default:
        return toQString(row.status);
    }
  }
  return {};
}

bool SaveListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole) {
    return false;
  }
  list_.setChecked(static_cast<std::size_t>(index.row()),
                   value.value<Qt::CheckState>() == Qt::Checked);
  if (userChecked_) {
    userChecked_();
  }
  return true;
}

Qt::ItemFlags SaveListModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.column() == 0) {
    flags |= Qt::ItemIsUserCheckable;
  }
  return flags;
}

void SaveListModel::rowsReset() {
  // The list has already changed; the views read everything again.
  beginResetModel();
  endResetModel();
}

void SaveListModel::rowsChanged(std::size_t first, std::size_t last) {
  emit dataChanged(index(static_cast<int>(first), 0), index(static_cast<int>(last), kColumns - 1));
}

}  // namespace korvalis
