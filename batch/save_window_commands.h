#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "batch/batch_run.h"
#include "batch/save_list.h"
#include "batch/save_window_view.h"
#include "batch/storage_estimate.h"
#include "platform/platform.h"

namespace korvalis {

/// The plain values the save window works with.
struct SaveWindowSettings {
  std::string servicePrefix;  ///< service base ending in "/das/v2/"
  std::string pagePrefix;     ///< service base + "/das/v2/dgs:" (Windows-1252)
  std::string pageSuffix;     ///< "/$dist"
  int requestLimit = 15000;   ///< connect time-out of the batch requests, milliseconds
  std::string linkDir;        ///< start folder of the link-file dialog (UTF-8 path)
  std::string saveListDir;    ///< start folder of the save-list dialogs (UTF-8 path)
  std::string pageSaveDir;    ///< target folder of batch saving (UTF-8 path, ends with "/")
  int slotCount = 3;          ///< download slots
  float scaleX = 1.0F;        ///< display scale of the window's base sizes
  float scaleY = 1.0F;
  /// Waits before the second and third try of a row that failed for a network reason.
  std::array<std::chrono::milliseconds, 2> retryDelays{std::chrono::milliseconds(1000),
                                                       std::chrono::milliseconds(4000)};
  /// The target folder shared with "Seite speichern" (the program's; it outlives the commands).
  /// Where given, it is read and chosen in place of pageSaveDir.
  std::string* sharedPageSaveDir = nullptr;
};

/// The save window's commands, toolkit-free: download links, the list's menu commands, the
/// save list file, file naming, the batch run and the storage estimate. The window calls
/// them and implements SaveWindowView; message boxes and dialogs go through the Platform.
/// Posted events of the batch run and the estimate arrive through handleEvent().
/// User-interface thread only.
class SaveWindowCommands : private BatchListener {
 public:
  SaveWindowCommands(Platform& platform, SaveWindowView& view, TransferEngine& engine,
                     std::shared_ptr<EventTarget> target, SaveWindowSettings settings);
  ~SaveWindowCommands() override;
  SaveWindowCommands(const SaveWindowCommands&) = delete;
  SaveWindowCommands& operator=(const SaveWindowCommands&) = delete;

  SaveList& list() { return list_; }
  const SaveWindowSettings& settings() const { return settings_; }
  /// The target folder of batch saving: the shared one where given.
  const std::string& pageSaveDir() const;
  /// Shows the target folder in its field again, after "Seite speichern" moved it.
  void showTargetFolder();

  // Download links
  void createLinks();           ///< "Links erstellen"
  void copyLinksToClipboard();  ///< "in Clipboard"
  void writeLinksToFile();      ///< "in Datei"

  // Window state
  /// Empties the fields and the list and disables the export, start and stop buttons; nothing
  /// while a batch run or an estimate goes on (the list stays under it).
  void reset();
  /// Resets, then fills the ID field with `id` and the page fields with the parts of `pages`
  /// before and after its "-" (none: "bis" stays empty). While a run or an estimate goes on
  /// nothing changes and false is returned: the window comes back with the running list.
  bool openForEntry(std::string_view id, std::string_view pages);
  /// The message shown when the tree's "Speichern..." finds no entry.
  void reportMissingEntry();
  /// Enables the export and start buttons from the rows (also after every change the user
  /// makes to check marks or highlights).
  void refreshSaveButtons();
  /// Controls for a running batch or estimate.
  void setBatchRunning(bool running);

  // The list's pop-up menu
  void checkHighlighted();             ///< "übernehmen"
  void checkAll();                     ///< "Alle auswählen"
  void checkNone();                    ///< "Keine auswählen"
  void invertChecks();                 ///< "Auswahl umkehren"
  void saveListCommand();              ///< "Speicherliste: Speichern"
  void loadListCommand();              ///< "Speicherliste: Laden"
  void estimate(EstimateScope scope);  ///< "DL-Größe:"
  /// Esc: ends a running estimate with what was found so far.
  void cancelEstimate();

  // Batch saving
  void chooseTargetFolder();  ///< "..."
  void assignFileNames();     ///< "Dateinamen übernehmen"
  void startBatch();          ///< "DL Start"
  void stopBatch();           ///< "DL Stop"

  bool batchRunning() const { return batch_.running(); }
  bool estimateRunning() const { return estimate_.running(); }
  /// The page cache the batch download uses and fills (null: none); from the next run on.
  void setPageCache(PageCache* cache) { batch_.setCache(cache); }
  /// A run or an estimate works on the list: nothing may replace its rows.
  bool listBusy() const { return batchRunning() || estimateRunning(); }

  /// The window's posted events (batch slots, look-ups, size queries).
  void handleEvent(int code, std::uintptr_t data);

 private:
  // BatchListener
  void rowStarted(std::size_t row) override;
  void progressChanged(int saved, int maximum) override;
  void runFinished() override;

  void saveSaveList();
  void loadSaveList();
  void finishEstimate(bool showResult);
  void setAllChecks(bool checked);

  Platform& platform_;
  SaveWindowView& view_;
  SaveWindowSettings settings_;
  SaveList list_;
  BatchRun batch_;
  StorageEstimate estimate_;
  EstimateScope scope_ = EstimateScope::All;
};

}  // namespace korvalis
