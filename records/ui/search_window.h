#pragma once

#include <QWidget>
#include <functional>
#include <string_view>
#include <vector>

#include "records/record_entry.h"
#include "records/ui/search_result_model.h"

class QLabel;
class QTreeView;

namespace korvalis {

/// The search-result window "Suchen": a two-column list (running number, key) with owner-drawn
/// cells above a status bar of one field. Selecting a row reports its entry; F1 opens the
/// help; closing (or Esc) only hides the window, which keeps its rows.
class SearchWindow : public QWidget {
  Q_OBJECT

 public:
  /// Width of a vertical scroll bar as the column sizing counts it.
  static constexpr int kScrollBarWidth = 24;

  SearchWindow(QWidget* owner, std::function<void()> help);

  /// Shows a search result: the title, the rows and the status text (Windows-1252).
  void showResult(std::string_view title, std::vector<SearchResultModel::Row> rows,
                  std::string_view status);

  QTreeView* list() const { return list_; }
  SearchResultModel* resultModel() const { return model_; }
  QString statusText() const;
  /// Sizes column 0 to its contents and gives column 1 the rest of the list's width, less 8
  /// and less a scroll bar when there are more rows than fit.
  void sizeColumns();

 signals:
  /// The selected row changed; `entry` is its entry (kNoEntry for none).
  void rowSelected(korvalis::EntryId entry);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QTreeView* list_;
  SearchResultModel* model_;
  QLabel* status_;
  std::function<void()> help_;
};

}  // namespace korvalis
