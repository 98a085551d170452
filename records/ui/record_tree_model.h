#pragma once

#include <QAbstractItemModel>
#include <span>
#include <vector>

#include "records/record_tree.h"

namespace korvalis {

/// The record tree as a Qt item model. The items stay the flat display-order list of
/// RecordTree; parent and child links are computed once per tree, so a tree of 200,000 leaves
/// is set up in one pass and the view asks only for what it shows. An index's internal id is
/// the item's flat position.
class RecordTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  /// The role that returns an item's level (0 to 4) as int.
  static constexpr int LevelRole = Qt::UserRole + 1;
  /// The role that returns a leaf's entry (EntryId as qulonglong); kNoEntry for other items.
  static constexpr int EntryRole = Qt::UserRole + 2;

  using QAbstractItemModel::QAbstractItemModel;

  /// Replaces all items.
  void setTree(RecordTree tree);
  const RecordTree& tree() const { return tree_; }

  /// The model index of the item at flat position `item`; invalid when out of range.
  QModelIndex indexOfItem(int item) const;
  /// The flat position of `index`'s item, or -1 for an invalid index.
  static int itemOf(const QModelIndex& index);

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;

 private:
  /// The children of flat item `item` (-1: the top level, which holds the root).
  std::span<const int> childrenOf(int item) const;

  RecordTree tree_;
  std::vector<int> parent_;      ///< parent position per item; -1 for the root
  std::vector<int> row_;         ///< row of each item below its parent
  std::vector<int> childStart_;  ///< children of item i: children_[childStart_[i] .. [i+1])
  std::vector<int> children_;
};

}  // namespace korvalis
