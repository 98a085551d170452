#pragma once

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "archive/page_cache.h"
#include "archive/transfer_engine.h"
#include "batch/save_list.h"

namespace korvalis {

/// Plain settings of a batch run.
struct BatchSettings {
  std::string servicePrefix;  ///< service base ending in "/das/v2/"
  int requestLimit = 15000;   ///< connect time-out of look-ups and images, milliseconds
  int slotCount = 3;          ///< download slots, 1 to 3
  /// Waits before the second and third try of a row that failed for a network reason.
  std::array<std::chrono::milliseconds, 2> retryDelays{std::chrono::milliseconds(1000),
                                                       std::chrono::milliseconds(4000)};
  /// Called on the thread that has just checked a received page (decoded it), before it is
  /// written; for tests. May be empty.
  std::function<void()> pageChecked;
  /// Pages kept on disk, shared with the rest of the program (null: none). A row whose page
  /// it holds is written from there (no look-up, no download); a downloaded page is added.
  PageCache* cache = nullptr;
};

/// What a batch run tells its window (user-interface thread).
class BatchListener {
 public:
  virtual ~BatchListener() = default;
  /// A row's image download started ("Lade..."): the list shows the row.
  virtual void rowStarted(std::size_t /*row*/) {}
  /// A row got its outcome code and status text.
  virtual void rowFinished(std::size_t /*row*/) {}
  /// Rows saved so far of the rows taking part.
  virtual void progressChanged(int /*saved*/, int /*maximum*/) {}
  /// The last busy slot found no further row: the run is over (not called after stop()).
  virtual void runFinished() {}
};

namespace detail {
struct WorkerResult;
}

/// The batch download of the checked rows of a SaveList into the files named in the rows:
/// up to three slots, each taking the next waiting row, looking up its image's APID and
/// downloading the image through the TransferEngine (completion events 65540-65542).
///
/// The location look-ups run ahead of the slots: while the slots download, the look-ups of
/// the next waiting rows are already under way (kBatchAheadLookupEvent), so a slot that takes
/// a row usually finds its APID known and starts the image at once instead of paying a second
/// round trip; at most one look-up more than there are slots is in flight. Such a look-up is
/// invisible in the list: a row shows its slot only once a slot takes it. A look-up that got
/// no usable answer is tried again on a worker thread of the slot (after the retry delays;
/// kBatchLookupEvent), as is the image of a row whose download failed for a network reason. Every
/// change to the rows is made on the user-interface thread: the workers only post events. A slot
/// counts as busy from the moment it takes a row to the end of that row, so the run is never
/// declared over while a look-up is under way.
///
/// A received page is checked (decoded, to tell a damaged page from data that is no image) and
/// written by the slot's worker, never on the user-interface thread: byte for byte, first under
/// a hidden name, flushed to the disk, then linked to the row's file name (never over an
/// existing file), so no file under a final name is ever partial. Whether a page being saved
/// when the run is stopped gets its name is decided under a lock the worker holds only for the
/// link: either it ends "STOP" and its file is removed, or it is saved and its row shows so. A row
/// whose look-up or download failed for a network reason (no answer, connection failure, HTTP 5xx)
/// is tried again up to two more times after the retry delays; "not found", "unauthorized"
/// and data that is no image are final. An archive that asks for a pause (429 or 503 with a
/// Retry-After of at most two minutes) gets it: the row shows "Warte..." while the slot's
/// worker waits, and the pause is no failed try; a 429 without Retry-After or asking for
/// longer counts as a network failure. Look-ups wait such pauses out inside the engine.
class BatchRun {
 public:
  BatchRun(TransferEngine& engine, SaveList& list, std::shared_ptr<EventTarget> target,
           BatchListener& listener, BatchSettings settings);
  ~BatchRun();  ///< stops a running batch and waits for the workers (bounded: they are told)
  BatchRun(const BatchRun&) = delete;
  BatchRun& operator=(const BatchRun&) = delete;

  /// Starts the run (the target check is the caller's): resets the code and status of every
  /// row up to the first empty reference ("Warte..." for the checked ones) and hands the first
  /// waiting rows to the slots. False when no row is checked (nothing started).
  bool start();
  /// Stops the run: aborts the downloads, ends the workers' waits, and gives every checked row
  /// that has not ended code -6 "STOP". Nothing when no slot is busy.
  void stop();
  /// Whether a slot is busy.
  bool running() const;
  /// Handles the run's posted events (look-up results, slot completions); false for others.
  bool handleEvent(int code, std::uintptr_t data);

  /// The page cache from the next start() on (null: none); see BatchSettings::cache.
  void setCache(PageCache* cache) { settings_.cache = cache; }

  int progressValue() const { return saved_; }
  int progressMaximum() const { return maximum_; }

 private:
  enum class Phase { Idle, LookingUp, Downloading, Saving };
  /// The location look-up of a waiting row, started ahead of the slot that will take it.
  struct LookAhead {
    std::size_t row = 0;
    std::string reference;            ///< the row's reference when the look-up started
    JobHandle handle = 0;             ///< 0 once the answer is in (or no job could be started)
    std::optional<std::string> apid;  ///< from a usable answer; nothing: none came
    int slot = -1;                    ///< the slot that holds the row and waits, or -1
  };
  struct Slot {
    Phase phase = Phase::Idle;
    std::size_t row = 0;
    JobHandle handle = 0;
    int retries = 0;
    int politeWaits = 0;      ///< pauses the archive asked for while downloading this row
    bool cacheTried = false;  ///< the cache had no sound entry: the row goes to the archive
    std::string apid;
    std::shared_ptr<detail::WorkerResult> result;
    std::jthread worker;
  };
  /// A worker that has posted its event or was stopped, until it has ended.
  struct Retired {
    std::jthread thread;
    std::shared_ptr<detail::WorkerResult> result;
  };

  bool takeNextRow(int slot);
  void startLookup(int slot);
  void startWorker(int slot, std::chrono::milliseconds delay, bool lookUp);
  /// The check and write of a page on the slot's worker; `fromCache`: the worker takes the
  /// page from the cache first.
  void startSave(int slot, std::vector<unsigned char> body, bool fromCache);
  /// Writes the row's page from the cache on the slot's worker (a miss comes back to
  /// startLookup).
  void startCachedSave(int slot);
  /// Whether the cache holds the page of `row` (and it was not found unsound this run).
  bool cachedRow(std::size_t row) const;
  void retireWorker(Slot& slot);
  void reapWorkers();
  void workerDone(int slot);
  /// A stopped slot that was saving: the row's outcome if the worker already linked it (or
  /// failed), otherwise nothing (the worker will drop the page).
  std::optional<std::int32_t> cancelSave(Slot& slot);
  void startDownload(int slot);
  void fillLookAheads();
  std::deque<LookAhead>::iterator startLookAhead(std::size_t row);
  void lookAheadDone(JobHandle handle);
  /// Ends the look-ups of the rows before `beforeRow` (those a slot waits for, too, unless
  /// `keepClaimed`).
  void dropLookAheads(std::size_t beforeRow, bool keepClaimed);
  void completion(int slot, JobHandle handle);
  void finishRow(int slot, std::int32_t code);
  void slotIdle(int slot);
  int slotCount() const;

  TransferEngine& engine_;
  SaveList& list_;
  std::shared_ptr<EventTarget> target_;
  BatchListener& listener_;
  BatchSettings settings_;
  std::array<Slot, 3> slots_;
  std::deque<LookAhead> lookAheads_;  // ordered by row
  std::size_t lookAheadRow_ = 0;      // no row before this index still needs a look-up
  std::vector<Retired> retired_;      // workers still ending; joined once they have
  std::size_t nextRow_ = 0;           // no waiting row lies before this index
  std::uint32_t generation_ = 0;      // tells the events of an earlier run apart
  int saved_ = 0;
  int maximum_ = 0;
};

}  // namespace korvalis
