#pragma once

#include <QPoint>
#include <QTreeView>

#include "records/record_entry.h"
#include "records/record_tree.h"

namespace korvalis {

class RecordTreeModel;

/// The record tree control ("Baumansicht"): a tree view over RecordTreeModel with the item
/// operations the record subsystem needs, addressed by flat item position.
class RecordTreeView : public QTreeView {
  Q_OBJECT

 public:
  explicit RecordTreeView(QWidget* parent = nullptr);
  ~RecordTreeView() override;

  /// Replaces all items (the tree is rebuilt as a whole on every load).
  void setTree(RecordTree tree);
  const RecordTree& tree() const;
  RecordTreeModel* treeModel() const { return model_; }

  /// Flat position of the selected (current) item, or -1.
  int selectedItem() const;
  /// The entry of the selected item when it is a leaf, else kNoEntry.
  EntryId selectedLeafEntry() const;
  /// Selects item `item` and makes it current; false when out of range. A selection made
  /// this way is the program's: it does not signal itemActivated().
  bool selectItem(int item);
  /// Expands or collapses item `item`.
  void setItemExpanded(int item, bool expanded);
  bool isItemExpanded(int item) const;
  /// Collapses the root and every item below it.
  void collapseTree();
  /// Collapses the tree, expands the item's ancestors, scrolls it into view, gives the tree
  /// the keyboard focus and selects it. Does nothing for a position out of range.
  void revealItem(int item);

 signals:
  /// The selected item changed, or an item was clicked or right-clicked.
  void itemActivated();
  /// An item was double-clicked or Enter was pressed on it.
  void itemOpened();
  /// A leaf was right-clicked (or the menu key was pressed on it); `globalPos` on the screen.
  void leafMenuRequested(QPoint globalPos);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void onContextMenu(QPoint pos);

  RecordTreeModel* model_;
  bool selectingByProgram_ = false;
};

}  // namespace korvalis
