#include "records/ui/record_tree_view.h"

#include <QHeaderView>
#include <QKeyEvent>

#include "records/ui/record_tree_model.h"

namespace korvalis {

RecordTreeView::RecordTreeView(QWidget* parent)
    : QTreeView(parent), model_(new RecordTreeModel(this)) {
  setModel(model_);
  setHeaderHidden(true);
  setAccessibleName(QStringLiteral("Baumansicht"));
  // Equal row heights let the view lay out 200,000 rows without asking each for its size.
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setContextMenuPolicy(Qt::CustomContextMenu);
  setExpandsOnDoubleClick(false);
  header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  header()->setStretchLastSection(false);
  // The user's choice (click, keys) refreshes the entry information; a selection the program
  // makes itself (following the ID and page fields) must leave the fields as they are.
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
    if (!selectingByProgram_) {
      emit itemActivated();
    }
  });
  connect(this, &QTreeView::clicked, this, [this] { emit itemActivated(); });
  connect(this, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
    if (model_->data(index, RecordTreeModel::LevelRole).toInt() != 4) {
      setExpanded(index, !isExpanded(index));  // groups open and close as usual
    }
    emit itemOpened();
  });
  connect(this, &QWidget::customContextMenuRequested, this, &RecordTreeView::onContextMenu);
}

RecordTreeView::~RecordTreeView() = default;

void RecordTreeView::setTree(RecordTree tree) {
  model_->setTree(std::move(tree));
}

const RecordTree& RecordTreeView::tree() const {
  return model_->tree();
}

int RecordTreeView::selectedItem() const {
  return RecordTreeModel::itemOf(currentIndex());
}

EntryId RecordTreeView::selectedLeafEntry() const {
  const int item = selectedItem();
  const RecordTree& t = tree();
  if (item < 0 || static_cast<std::size_t>(item) >= t.items.size()) {
    return kNoEntry;
  }
  const TreeItem& selected = t.items[static_cast<std::size_t>(item)];
  return selected.level == 4 ? selected.entry : kNoEntry;
}

bool RecordTreeView::selectItem(int item) {
  const QModelIndex index = model_->indexOfItem(item);
  if (!index.isValid()) {
    return false;
  }
  selectingByProgram_ = true;
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  selectingByProgram_ = false;
  return true;
}

void RecordTreeView::setItemExpanded(int item, bool expanded) {
  const QModelIndex index = model_->indexOfItem(item);
  if (index.isValid()) {
    setExpanded(index, expanded);
  }
}

bool RecordTreeView::isItemExpanded(int item) const {
  return isExpanded(model_->indexOfItem(item));
}

void RecordTreeView::collapseTree() {
  collapseAll();
}

void RecordTreeView::revealItem(int item) {
  const QModelIndex index = model_->indexOfItem(item);
  if (!index.isValid()) {
    return;
  }
  collapseTree();
  for (const int ancestor : tree().ancestorsOf(item)) {
    setItemExpanded(ancestor, true);
  }
  scrollTo(index, QAbstractItemView::EnsureVisible);
  setFocus(Qt::OtherFocusReason);
  selectItem(item);
}

void RecordTreeView::keyPressEvent(QKeyEvent* event) {
  const QModelIndex current = currentIndex();
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && current.isValid()) {
    emit itemOpened();
    return;
  }
  if (event->key() == Qt::Key_Menu && current.isValid()) {
    onContextMenu(visualRect(current).center());
    return;
  }
  QTreeView::keyPressEvent(event);
}

void RecordTreeView::onContextMenu(QPoint pos) {
  const QModelIndex index = indexAt(pos);
  if (!index.isValid()) {
    return;
  }
  // A right click selects the item first, as a click does.
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  emit itemActivated();
  if (model_->data(index, RecordTreeModel::LevelRole).toInt() == 4) {
    emit leafMenuRequested(viewport()->mapToGlobal(pos));
  }
}

}  // namespace korvalis
