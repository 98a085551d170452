#include "records/ui/records_controller.h"

#include <QToolBar>
#include <QWidget>
#include <cmath>

#include "platform/main_view.h"
#include "platform/platform.h"
#include "records/entry_info.h"
#include "records/record_file.h"
#include "records/record_loader.h"
#include "records/record_search.h"
#include "records/record_session.h"
#include "records/record_tree.h"
#include "records/ui/info_window.h"
#include "records/ui/record_tree_view.h"
#include "records/ui/search_window.h"

namespace korvalis {
namespace {

constexpr int kWindowWidth = 360;
constexpr int kInfoHeight = 216;
constexpr int kTreeWidth = 220;

int scaled(int base, float scale) {
  return static_cast<int>(std::lround(base * scale));
}

/// Suspends a widget's redrawing for the life of the guard.
class UpdatesSuspended {
 public:
  explicit UpdatesSuspended(QWidget* widget)
      : widget_(widget), wasEnabled_(widget->updatesEnabled()) {
    widget_->setUpdatesEnabled(false);
  }
  ~UpdatesSuspended() { widget_->setUpdatesEnabled(wasEnabled_); }
  UpdatesSuspended(const UpdatesSuspended&) = delete;
  UpdatesSuspended& operator=(const UpdatesSuspended&) = delete;

 private:
  QWidget* widget_;
  bool wasEnabled_;
};

}  // namespace

struct RecordsController::Impl {
  RecordSession& session;
  Platform& platform;
  float scaleX = 1.0F;
  QWidget* mainWindow = nullptr;
  MainView* view = nullptr;
  RecordTreeView* tree = nullptr;
  InfoWindow* info = nullptr;
  SearchWindow* search = nullptr;
  /// The load whose entries the search rows refer to.
  std::uint64_t searchGeneration = 0;
};

RecordsController::RecordsController(RecordSession& session, Platform& platform,
                                     QWidget* mainWindow, std::function<void()> help, float scaleX,
                                     float scaleY)
    : impl_(std::make_unique<Impl>(Impl{session, platform, scaleX, mainWindow})) {
  impl_->tree = new RecordTreeView(mainWindow);
  impl_->info = new InfoWindow(mainWindow, help);
  impl_->search = new SearchWindow(mainWindow, help);
  impl_->info->resize(kWindowWidth, scaled(kInfoHeight, scaleY));
  impl_->search->resize(kWindowWidth, scaled(kInfoHeight, scaleY));
  connect(impl_->tree, &RecordTreeView::itemActivated, this,
          &RecordsController::treeSelectionChanged);
  connect(impl_->tree, &RecordTreeView::itemOpened, this, &RecordsController::treeDoubleClicked);
  connect(impl_->tree, &RecordTreeView::leafMenuRequested, this,
          &RecordsController::treeContextMenuRequested);
  connect(impl_->search, &SearchWindow::rowSelected, this,
          [this](EntryId entry) { onSearchRowSelected(entry); });
}

RecordsController::~RecordsController() {
  // Widgets without a parent belong to the controller; parented ones to the main window.
  for (QWidget* widget : std::initializer_list<QWidget*>{impl_->tree, impl_->info, impl_->search}) {
    if (widget->parent() == nullptr) {
      delete widget;
    }
  }
}

RecordTreeView* RecordsController::treeView() const {
  return impl_->tree;
}
InfoWindow* RecordsController::infoWindow() const {
  return impl_->info;
}
SearchWindow* RecordsController::searchWindow() const {
  return impl_->search;
}

void RecordsController::setMainView(MainView* view) {
  impl_->view = view;
}

LoadOutcome RecordsController::loadRecordFile(std::string_view firstCandidate) {
  return korvalis::loadRecordFile(impl_->platform, impl_->session, firstCandidate);
}

void RecordsController::afterLoad() {
  buildTree();
  hideInfoWindow();
  refreshEntryInfo();
  expandRoot();
  selectFirstEntry();
  // The selection made by the program must show in the fields as a click would.
  refreshEntryInfo();
}

void RecordsController::buildTree() {
  const UpdatesSuspended suspended(impl_->tree);
  RecordTree tree =
      buildTreeItems(impl_->session.records.list, recordEndLine(impl_->session.recordBaseName));
  const std::string message = tree.message;
  impl_->tree->setTree(std::move(tree));
  if (!message.empty()) {
    impl_->platform.message("Fehler!", message, MessageSign::Error);
  }
}

void RecordsController::selectFirstEntry() {
  const RecordTree& tree = impl_->tree->tree();
  const int leaf = tree.firstLeaf();
  if (leaf < 0) {
    return;
  }
  impl_->session.records.list.setCurrent(tree.items[static_cast<std::size_t>(leaf)].entry);
  // Like a native tree control, selecting an item opens the groups that hide it.
  for (const int ancestor : tree.ancestorsOf(leaf)) {
    impl_->tree->setItemExpanded(ancestor, true);
  }
  impl_->tree->selectItem(leaf);
  impl_->tree->scrollTo(impl_->tree->currentIndex());
}

void RecordsController::expandRoot() {
  impl_->tree->setItemExpanded(0, true);
}

void RecordsController::collapseTree() {
  impl_->tree->collapseTree();
}

void RecordsController::revealTreeItem(int item) {
  impl_->tree->revealItem(item);
}

void RecordsController::refreshEntryInfo() {
  const std::string text = korvalis::refreshEntryInfo(
      impl_->session.records.list, impl_->tree->selectedLeafEntry(), impl_->view);
  impl_->info->setInfoText(text);
}

void RecordsController::followIdAndPage() {
  if (impl_->view == nullptr) {
    return;
  }
  const UpdatesSuspended suspended(impl_->tree);
  RecordList& list = impl_->session.records.list;
  const EntryId found =
      findEntryByIdAndPage(list, impl_->view->idField(), impl_->view->pageField());
  if (found == kNoEntry) {
    collapseTree();
    return;
  }
  list.setCurrent(found);
  revealTreeItem(list.entries[found].treeItem);
}

void RecordsController::runSearch(std::string_view text) {
  RecordData& records = impl_->session.records;
  const std::optional<SearchResult> result = korvalis::runSearch(records.index, records.list, text);
  if (!result) {
    return;
  }
  std::vector<SearchResultModel::Row> rows;
  rows.reserve(result->hits.size());
  for (const SearchHit& hit : result->hits) {
    rows.push_back({records.index.entries[hit.indexPosition].key, hit.entry});
  }
  impl_->searchGeneration = records.generation;
  // Filling the list moves its selection; that is not the user's choice of a row.
  const QSignalBlocker blocker(impl_->search);
  impl_->search->showResult(result->title, std::move(rows), result->status);
}

void RecordsController::onSearchRowSelected(EntryId entry) {
  RecordList& list = impl_->session.records.list;
  // Rows of a search over an earlier load refer to entries that are gone.
  if (impl_->searchGeneration != impl_->session.records.generation || !list.setCurrent(entry)) {
    return;
  }
  {
    const UpdatesSuspended suspended(impl_->tree);
    revealTreeItem(list.entries[entry].treeItem);
  }
  showInfoWindow();
  impl_->search->activateWindow();
  impl_->search->raise();
  refreshEntryInfo();
}

void RecordsController::placeWindows(QPoint mainTopLeft, int toolBarHeight) {
  const int infoLeft = mainTopLeft.x() + scaled(kTreeWidth, impl_->scaleX) + 20;
  const int top = mainTopLeft.y() + toolBarHeight + 40;
  impl_->info->move(infoLeft, top);
  impl_->search->move(infoLeft + impl_->info->width() + 24, top);
}

// A window that comes up takes its place by where the main window stands now; one already
// shown stays where the user put it.
void RecordsController::placeBeforeShowing(QWidget* window) {
  QWidget* main = impl_->mainWindow;
  if (main == nullptr || window->isVisible()) {
    return;
  }
  const QPoint infoPos = impl_->info->pos();
  const QPoint searchPos = impl_->search->pos();
  const auto* toolBar = main->findChild<QToolBar*>();
  placeWindows(main->geometry().topLeft(),
               toolBar != nullptr && toolBar->isVisible() ? toolBar->height() : 0);
  // Only the window being shown moves.
  if (window != impl_->info) {
    impl_->info->move(infoPos);
  }
  if (window != impl_->search) {
    impl_->search->move(searchPos);
  }
}

void RecordsController::showInfoWindow() {
  placeBeforeShowing(impl_->info);
  impl_->info->show();
  impl_->info->raise();
}

void RecordsController::hideInfoWindow() {
  impl_->info->hide();
}

void RecordsController::showSearchWindow() {
  placeBeforeShowing(impl_->search);
  impl_->search->show();
  impl_->search->raise();
  impl_->search->activateWindow();
  impl_->search->sizeColumns();
}

EntryId RecordsController::selectedLeafEntry() const {
  return impl_->tree->selectedLeafEntry();
}

EntryId RecordsController::currentEntry() const {
  return impl_->session.records.list.current;
}

}  // namespace korvalis
