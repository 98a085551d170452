#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "batch/link_row.h"

namespace korvalis {

/// Told about changes of a SaveList so a view can redraw: a reset after bulk changes (one
/// redraw however many rows changed), a range for changes of single rows.
class SaveListObserver {
 public:
  virtual ~SaveListObserver() = default;
  /// The rows were replaced or changed in bulk; everything must be read again.
  virtual void rowsReset() = 0;
  /// Rows first..last (inclusive) changed their texts, code or check mark.
  virtual void rowsChanged(std::size_t first, std::size_t last) = 0;
};

/// The rows of the save window's list, in the order they were added. The only store of rows:
/// the window shows them through a view model, the commands and the batch run change them here.
/// User-interface thread only.
class SaveList {
 public:
  std::size_t size() const { return rows_.size(); }
  bool empty() const { return rows_.empty(); }
  /// The row at `index`; past the end an empty row (empty reference: the end of every row
  /// loop), so a stale index never reads outside the list.
  const LinkRow& row(std::size_t index) const;
  const std::vector<LinkRow>& rows() const { return rows_; }

  /// Number of rows from index 0 up to the first row with an empty reference; every row loop
  /// of the window stops there.
  std::size_t activeCount() const;
  /// Whether one of the active rows is checked.
  bool anyActiveChecked() const;

  /// Replaces every row (one reset notification).
  void replaceAll(std::vector<LinkRow> rows);
  void clear() { replaceAll({}); }
  /// Runs `change` on the rows (which must keep their number), then notifies one change of
  /// all rows (bulk changes redraw once).
  void updateAll(const std::function<void(std::vector<LinkRow>&)>& change);

  /// Single-row changes, each notified as a changed row.
  void setChecked(std::size_t index, bool checked);
  void setCodeAndStatus(std::size_t index, std::int32_t code, std::string_view status);

  /// The observer (one at a time; null to detach).
  void setObserver(SaveListObserver* observer) { observer_ = observer; }

 private:
  void changed(std::size_t index);

  std::vector<LinkRow> rows_;
  SaveListObserver* observer_ = nullptr;
};

}  // namespace korvalis
