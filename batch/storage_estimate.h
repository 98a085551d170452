#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "archive/transfer_engine.h"

namespace korvalis {

/// A byte count as the estimate shows it: the unit exponent e = floor(ln(bytes) / ln(1024))
/// computed in 32-bit floats (so 1,073,741,824 bytes give e = 2), the value bytes / 1024^e with
/// `decimals` decimals for KB, GB and PB and none for B, MB, TB and EB, "." as decimal point,
/// a blank and the unit ("B", "KB", … "EB"). Callers append "yte.".
std::string FormatByteSize(std::int64_t bytes, int decimals);

/// The three scopes of the estimate.
enum class EstimateScope {
  Active,   ///< "Aktiver Eintrag": the list's current row
  Checked,  ///< "Selektierte Einträge": the checked rows
  All,      ///< "Alle Einträge": every row
};

/// What an estimate found.
struct EstimateTotals {
  std::size_t examined = 0;  ///< rows whose size was queried
  std::size_t failures = 0;  ///< of those, rows whose size could not be found
  std::int64_t total = 0;    ///< sum of the sizes found, in bytes (64 bits: no overflow at 2 GiB)
  bool cancelled = false;    ///< stopped with Esc
  std::size_t rowCount = 0;  ///< rows in the list ("Alle Einträge" names them)
};

/// The message text of the estimate's result box (Windows-1252, CR as line break).
std::string estimateMessage(EstimateScope scope, const EstimateTotals& totals);

/// Title and text when "Selektierte Einträge" finds no checked row.
inline constexpr std::string_view kNothingCheckedTitle = "Achtung!";
inline constexpr std::string_view kNothingCheckedMessage = "Keine Eintr\xE4ge selektiert.";
/// Title of the result box.
inline constexpr std::string_view kEstimateTitle = "Ben\xF6tigter Speicherplatz";

/// Size queries the estimate keeps under way at once.
inline constexpr int kEstimateQueriesAtOnce = 4;

/// The size queries of an estimate, made on worker threads so the window stays responsive: up
/// to four at once (kEstimateQueriesAtOnce), each worker taking the next reference, all through
/// the engine's shared connections. Each ended query posts kEstimateSizeEvent to the target; the
/// owner hands the events to handleEvent() on its own thread, which adds them up (their order
/// does not matter). cancel() ends the run at once with what was found so far; the queries under
/// way are aborted. The workers are never waited for on the owner's thread: stopped or finished
/// ones are joined once they have ended, or when the estimate goes (the window's end, bounded by
/// the aborted queries).
class StorageEstimate {
 public:
  StorageEstimate(TransferEngine& engine, std::shared_ptr<EventTarget> target,
                  std::string servicePrefix);
  ~StorageEstimate();  ///< cancels and waits for the worker
  StorageEstimate(const StorageEstimate&) = delete;
  StorageEstimate& operator=(const StorageEstimate&) = delete;

  /// Starts querying the sizes of these references' long image names (an empty reference is
  /// counted as a failure without asking).
  void start(std::vector<std::string> references, std::size_t rowCount);
  /// Takes an event; true when it was one of this run's (the totals then changed).
  bool handleEvent(int code, std::uintptr_t data);
  /// True while queries are outstanding.
  bool running() const { return running_; }
  /// Ends the run now: marks it cancelled and stops the worker (its query is aborted).
  void cancel();
  const EstimateTotals& totals() const { return totals_; }
  /// How many queries run at once from the next start() on (1 to 16; default 4).
  void setQueriesAtOnce(int count) { queriesAtOnce_ = std::clamp(count, 1, 16); }
  std::size_t planned() const { return planned_; }

 private:
  TransferEngine& engine_;
  std::shared_ptr<EventTarget> target_;
  std::string servicePrefix_;
  /// The workers of one run, their common stop and the count of those still running.
  struct Worker {
    std::stop_source stop;
    std::vector<std::jthread> threads;
    std::shared_ptr<std::atomic<int>> running;
  };
  void retire();

  Worker worker_;
  std::vector<Worker> retired_;
  EstimateTotals totals_;
  std::size_t planned_ = 0;
  std::uint32_t generation_ = 0;
  bool running_ = false;
  int queriesAtOnce_ = kEstimateQueriesAtOnce;
};

}  // namespace korvalis
