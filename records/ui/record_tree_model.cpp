#include "records/ui/record_tree_model.h"

#include <span>

#include "platform/qt/qt_text.h"

namespace korvalis {

void RecordTreeModel::setTree(RecordTree tree) {
  beginResetModel();
  tree_ = std::move(tree);
  const std::size_t n = tree_.items.size();
  parent_.assign(n, -1);
  row_.assign(n, 0);
  std::vector<int> childCount(n, 0);
  // The display order is a pre-order walk, so each item's parent is the nearest earlier item
  // on a lower level; a stack of the open items per level finds it.
  std::vector<int> open;
  for (std::size_t i = 0; i < n; ++i) {
    const int level = tree_.items[i].level;
    while (!open.empty() && tree_.items[static_cast<std::size_t>(open.back())].level >= level) {
      open.pop_back();
    }
    if (!open.empty()) {
      const int p = open.back();
      parent_[i] = p;
      row_[i] = childCount[static_cast<std::size_t>(p)]++;
    }
    open.push_back(static_cast<int>(i));
  }
  childStart_.assign(n + 1, 0);
  for (std::size_t i = 0; i < n; ++i) {
    childStart_[i + 1] = childStart_[i] + childCount[i];
  }
  children_.assign(static_cast<std::size_t>(childStart_[n]), 0);
  for (std::size_t i = 0; i < n; ++i) {
    const int p = parent_[i];
    if (p >= 0) {
      children_[static_cast<std::size_t>(childStart_[static_cast<std::size_t>(p)] + row_[i])] =
          static_cast<int>(i);
    }
  }
  endResetModel();
}

std::span<const int> RecordTreeModel::childrenOf(int item) const {
  if (item < 0) {
    // The top level holds the root alone (a tree always has it once set).
    static const int kRoot = 0;
    return tree_.items.empty() ? std::span<const int>() : std::span<const int>(&kRoot, 1);
  }
  const auto i = static_cast<std::size_t>(item);
  return std::span<const int>(children_).subspan(
      static_cast<std::size_t>(childStart_[i]),
      static_cast<std::size_t>(childStart_[i + 1] - childStart_[i]));
}

QModelIndex RecordTreeModel::indexOfItem(int item) const {
  if (item < 0 || static_cast<std::size_t>(item) >= tree_.items.size()) {
    return {};
  }
  return createIndex(row_[static_cast<std::size_t>(item)], 0, static_cast<quintptr>(item));
}

int RecordTreeModel::itemOf(const QModelIndex& index) {
  return index.isValid() ? static_cast<int>(index.internalId()) : -1;
}

QModelIndex RecordTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) {
    return {};
  }
  const std::span<const int> kids = childrenOf(itemOf(parent));
  if (static_cast<std::size_t>(row) >= kids.size()) {
    return {};
  }
  return createIndex(row, 0, static_cast<quintptr>(kids[static_cast<std::size_t>(row)]));
}

QModelIndex RecordTreeModel::parent(const QModelIndex& child) const {
  const int item = itemOf(child);
  if (item < 0 || static_cast<std::size_t>(item) >= parent_.size()) {
    return {};
  }
  return indexOfItem(parent_[static_cast<std::size_t>(item)]);
}

int RecordTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.column() > 0) {
    return 0;
  }
  return static_cast<int>(childrenOf(itemOf(parent)).size());
}

int RecordTreeModel::columnCount(const QModelIndex& /*parent*/) const {
  return 1;
}

bool RecordTreeModel::hasChildren(const QModelIndex& parent) const {
  return rowCount(parent) > 0;
}

QVariant RecordTreeModel::data(const QModelIndex& index, int role) const {
  const int item = itemOf(index);
  if (item < 0 || static_cast<std::size_t>(item) >= tree_.items.size()) {
    return {};
  }
  const TreeItem& t = tree_.items[static_cast<std::size_t>(item)];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return toQString(t.text);
    case LevelRole:
      return t.level;
    case EntryRole:
      return static_cast<qulonglong>(t.entry);
    default:
      return {};
  }
}

}  // namespace korvalis
