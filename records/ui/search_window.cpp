#include "records/ui/search_window.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>
#include <QTreeView>
#include <QVBoxLayout>

#include "platform/qt/qt_text.h"
#include "records/record_search.h"
#include "records/ui/search_cell_delegate.h"

namespace korvalis {

SearchWindow::SearchWindow(QWidget* owner, std::function<void()> help)
    : QWidget(owner, Qt::Tool),
      list_(new QTreeView(this)),
      model_(new SearchResultModel(this)),
      status_(new QLabel(this)),
      help_(std::move(help)) {
  setWindowTitle(QStringLiteral("Suchen"));
  list_->setModel(model_);
  list_->setAccessibleName(QStringLiteral("Suchergebnisse"));
  list_->setItemDelegate(new SearchCellDelegate(list_));
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setAllColumnsShowFocus(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->header()->setStretchLastSection(false);
  list_->header()->setSectionResizeMode(QHeaderView::Interactive);

  auto* statusBar = new QStatusBar(this);
  statusBar->setSizeGripEnabled(false);
  statusBar->addWidget(status_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(list_, 1);
  layout->addWidget(statusBar);
  setFocusProxy(list_);

  connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { emit rowSelected(model_->entryAt(current.row())); });
}

void SearchWindow::showResult(std::string_view title, std::vector<SearchResultModel::Row> rows,
                              std::string_view status) {
  setWindowTitle(toQString(title));
  list_->setUpdatesEnabled(false);
  model_->setRows(std::move(rows));
  sizeColumns();
  list_->setUpdatesEnabled(true);
  status_->setText(toQString(status));
}

QString SearchWindow::statusText() const {
  return status_->text();
}

void SearchWindow::sizeColumns() {
  // Column 0's widest text is the last running number; measuring it beats asking every row.
  const QFontMetrics metrics = list_->fontMetrics();
  const std::size_t count = model_->rows().size();
  const QString widest = QString::fromStdString(rowNumberText(count == 0 ? 0 : count - 1));
  const int column0 =
      std::max(metrics.horizontalAdvance(widest),
               metrics.horizontalAdvance(
                   model_->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString())) +
      12;
  list_->setColumnWidth(0, column0);
  const int rowHeight =
      std::max(1, list_->sizeHintForRow(0) > 0 ? list_->sizeHintForRow(0) : metrics.height() + 4);
  const bool scrolls = static_cast<int>(count) > list_->viewport()->height() / rowHeight;
  const int column1 = list_->width() - column0 - 8 - (scrolls ? kScrollBarWidth : 0);
  list_->setColumnWidth(1, std::max(column1, metrics.averageCharWidth() * 8));
}

void SearchWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  sizeColumns();
}

void SearchWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    if (help_) {
      help_();
    }
    return;
  }
  if (event->key() == Qt::Key_Escape) {
    hide();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace korvalis
