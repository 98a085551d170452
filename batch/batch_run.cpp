#include "batch/batch_run.h"

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "archive/event_codes.h"
#include "archive/page_address.h"
#include "archive/retry_after.h"
#include "batch/save_list_file.h"
#include "platform/cp1252.h"
#include "platform/file_io.h"
#include "viewer/image_codec.h"

namespace korvalis {

namespace detail {
/// What a slot's worker hands back. The look-up fields are written by the worker before it
/// posts kBatchLookupEvent and read by the user-interface thread after the event arrived (the
/// event queue orders the two). A save's outcome is settled under `mutex`, which the worker
/// holds only while it links the page to its name, so a stop sees either the outcome or a
/// page that is not saved yet and that the worker then drops.
struct WorkerResult {
  std::string apid;
  int retries = 0;

  std::mutex mutex;
  bool cancelled = false;             ///< the run was stopped before the page got its name
  std::optional<std::int32_t> saved;  ///< the save's outcome code once settled
  bool cacheMiss = false;             ///< the cache had no sound entry after all
  std::atomic<bool> done{false};      ///< the worker has nothing left to do but return
};
}  // namespace detail

namespace {

constexpr int kMaxRetries = 2;
constexpr int kChunkSize = 16384;

/// Waits `delay` unless a stop is requested first; false when stopped.
bool waitUnlessStopped(const std::stop_token& stop, std::chrono::milliseconds delay) {
  if (delay.count() > 0) {
    std::mutex mutex;
    std::condition_variable_any woken;
    std::unique_lock lock(mutex);
    woken.wait_for(lock, stop, delay, [] { return false; });
  }
  return !stop.stop_requested();
}

/// What a worker needs; copied into its thread.
struct LookupTask {
  TransferEngine* engine = nullptr;
  std::string servicePrefix;
  std::string reference;
  int requestLimit = 15000;
  std::chrono::milliseconds delay{0};
  bool lookUp = true;
  std::array<std::chrono::milliseconds, 2> retryDelays{};
  std::shared_ptr<detail::WorkerResult> result;
  std::shared_ptr<EventTarget> target;
  std::uintptr_t eventData = 0;
};

/// The location look-up request of a row.
UrlRequest lookupRequest(std::string_view servicePrefix, std::string_view reference,
                         int requestLimit) {
  UrlRequest request;
  request.url = locationUrl(servicePrefix, reference);
  request.flags = kQueryRequestFlags;
  request.chunkSize = kChunkSize;
  request.connectTimeoutMs = requestLimit;
  return request;
}

/// A location answer, or nothing when none came or it is not the service's XML (a proxy's or
/// overloaded server's error page), which is worth another try.
std::optional<std::string> usableAnswer(std::optional<std::span<const unsigned char>> data) {
  if (!data) {
    return std::nullopt;
  }
  std::string answer(data->begin(), data->end());
  if (answer.find("<?xml") == std::string::npos) {
    return std::nullopt;
  }
  return answer;
}

std::optional<std::string> lookUpOnce(const std::stop_token& stop, const LookupTask& task) {
  UrlRequest request = lookupRequest(task.servicePrefix, task.reference, task.requestLimit);
  request.notifyCode = kLocationLookupCode;
  const auto data = task.engine->GetUrlSync(request, stop);
  if (!data) {
    return std::nullopt;
  }
  return usableAnswer(std::span<const unsigned char>(*data));
}

void lookUp(const std::stop_token& stop, const LookupTask& task) {
  if (!waitUnlessStopped(stop, task.delay)) {
    return;
  }
  if (task.lookUp) {
    // After a failed look-up ahead of the slot, this is already the row's second try.
    std::optional<std::string> answer = lookUpOnce(stop, task);
    while (!answer && task.result->retries < kMaxRetries) {
      if (!waitUnlessStopped(stop, task.retryDelays[task.result->retries])) {
        return;
      }
      ++task.result->retries;
      answer = lookUpOnce(stop, task);
    }
    task.result->apid = answer ? extractApid(*answer) : std::string(kUnknownApid);
  }
  if (!stop.stop_requested()) {
    task.target->postEvent(kBatchLookupEvent, task.eventData);
  }
}

void runLookup(const std::stop_token& stop, const LookupTask& task) {
  lookUp(stop, task);
  task.result->done = true;
}

/// A row reference "ID_PAGE" as the cache's film ID and page.
std::pair<std::string_view, std::string_view> cacheKey(std::string_view reference) {
  const std::size_t split = reference.find('_');
  if (split == std::string_view::npos) {
    return {};
  }
  return {reference.substr(0, split), reference.substr(split + 1)};
}

/// What a saving worker needs; moved into its thread.
struct SaveTask {
  std::vector<unsigned char> body;
  std::filesystem::path fileName;  ///< the row's file (empty: it cannot be written)
  std::function<void()> pageChecked;
  PageCache* cache = nullptr;  ///< where a downloaded page is kept too (null: nowhere)
  std::string reference;       ///< the row's "ID_PAGE"
  std::string apid;            ///< the page's APID from its look-up
  std::shared_ptr<detail::WorkerResult> result;
  std::shared_ptr<EventTarget> target;
  std::uintptr_t eventData = 0;
};

/// The outcome of the check of a received page: 0 when it is an image, otherwise the row code.
std::int32_t checkPage(std::span<const unsigned char> body) {
  if (decodeImage(body).ok()) {
    return kRowWaiting;
  }
  // Data of a known image format that did not decode to an image is a damaged page.
  return detectImageFormat(body) == ImageFormat::Unknown ? kRowUndecodable : kRowNoImage;
}

/// The hidden name a page is flushed under before it gets its own.
std::filesystem::path stagingName(const std::filesystem::path& fileName) {
  return fileName.parent_path() / ("." + fileName.filename().string() + ".part");
}

/// Decodes, writes and flushes the page, then links it to its name unless the run was stopped.
void savePage(const std::stop_token& stop, SaveTask& task) {
  std::int32_t code = checkPage(task.body);
  if (task.pageChecked) {
    task.pageChecked();
  }
  if (code == kRowWaiting && task.cache != nullptr && !task.apid.empty() &&
      task.apid != kUnknownApid) {
    const auto [id, page] = cacheKey(task.reference);
    task.cache->store(id, page, task.apid, task.body);
  }
  std::filesystem::path staged;
  if (code == kRowWaiting) {
    code = kRowWriteFailed;
    if (!task.fileName.empty() && !stop.stop_requested()) {
      staged = stagingName(task.fileName);
      if (!writeFileAtomically(staged, task.body)) {
        staged.clear();
      }
    }
  }
  std::error_code error;
  bool settled = false;
  {
    const std::scoped_lock lock(task.result->mutex);
    if (!task.result->cancelled) {
      if (!staged.empty()) {
        // Never replaces an existing file, so a file that appeared meanwhile stays; also on
        // file systems without hard links (USB sticks, SD cards).
        error = moveWithoutReplacing(staged, task.fileName);
        code = error ? kRowWriteFailed : kRowSaved;
      }
      task.result->saved = code;
      settled = true;
    }
  }
  if (!staged.empty()) {
    std::filesystem::remove(staged, error);
  }
  if (settled) {
    task.target->postEvent(kBatchLookupEvent, task.eventData);
  }
}

void runSave(const std::stop_token& stop, SaveTask& task) {
  savePage(stop, task);
  task.result->done = true;
}

/// Writes the page the cache holds as the archive sent it; a miss (an entry found unsound and
/// dropped) goes back to the slot, which then asks the archive.
void runCachedSave(const std::stop_token& stop, SaveTask& task) {
  const auto [id, page] = cacheKey(task.reference);
  std::optional<CachedPage> cached = task.cache->find(id, page);
  task.cache = nullptr;  // nothing to add: it is there
  if (cached) {
    task.body = std::move(cached->bytes);
    savePage(stop, task);
  } else if (!stop.stop_requested()) {
    task.result->cacheMiss = true;
    task.target->postEvent(kBatchLookupEvent, task.eventData);
  }
  task.result->done = true;
}

}  // namespace

BatchRun::BatchRun(TransferEngine& engine, SaveList& list, std::shared_ptr<EventTarget> target,
                   BatchListener& listener, BatchSettings settings)
    : engine_(engine),
      list_(list),
      target_(std::move(target)),
      listener_(listener),
      settings_(std::move(settings)) {}

BatchRun::~BatchRun() {
  stop();
  dropLookAheads(SIZE_MAX, /*keepClaimed=*/false);
  for (Slot& slot : slots_) {
    retireWorker(slot);
  }
  // The window's end: every worker has been told to stop (a look-up in libcurl sees it within
  // a progress interval); the jthreads join as they go.
}

int BatchRun::slotCount() const {
  return std::clamp(settings_.slotCount, 1, static_cast<int>(slots_.size()));
}

bool BatchRun::running() const {
  return std::any_of(slots_.begin(), slots_.end(),
                     [](const Slot& slot) { return slot.phase != Phase::Idle; });
}

bool BatchRun::start() {
  if (running()) {
    return false;
  }
  ++generation_;
  saved_ = 0;
  maximum_ = 0;
  nextRow_ = 0;
  dropLookAheads(SIZE_MAX, /*keepClaimed=*/false);
  lookAheadRow_ = 0;
  list_.updateAll([this](std::vector<LinkRow>& rows) {
    for (LinkRow& row : rows) {
      if (row.reference.empty()) {
        break;
      }
      row.code = kRowWaiting;
      row.status.clear();
      if (row.checked) {
        row.status = kStatusWaiting;
        ++maximum_;
      }
    }
  });
  for (int slot = 0; slot < slotCount(); ++slot) {
    if (!takeNextRow(slot)) {
      break;
    }
    if (slot == 0) {
      listener_.progressChanged(saved_, maximum_);
    }
    startLookup(slot);
  }
  fillLookAheads();
  return running();
}

bool BatchRun::takeNextRow(int slot) {
  const auto& rows = list_.rows();
  for (std::size_t i = nextRow_; i < rows.size() && !rows[i].reference.empty(); ++i) {
    if (rows[i].checked && rows[i].code == kRowWaiting) {
      nextRow_ = i + 1;
      Slot& state = slots_[static_cast<std::size_t>(slot)];
      state.row = i;
      state.retries = 0;
      state.politeWaits = 0;
      state.cacheTried = false;
      state.apid.clear();
      state.phase = Phase::LookingUp;
      list_.setCodeAndStatus(i, slot + 1, rows[i].status);
      return true;
    }
  }
  nextRow_ = rows.size();
  return false;
}

bool BatchRun::cachedRow(std::size_t row) const {
  if (settings_.cache == nullptr) {
    return false;
  }
  const auto [id, page] = cacheKey(list_.row(row).reference);
  return settings_.cache->holds(id, page);
}

void BatchRun::startLookup(int slot) {
  Slot& state = slots_[static_cast<std::size_t>(slot)];
  dropLookAheads(state.row, /*keepClaimed=*/true);  // rows passed over need no answer
  if (!state.cacheTried && cachedRow(state.row)) {
    startCachedSave(slot);
    return;
  }
  auto ahead = std::find_if(lookAheads_.begin(), lookAheads_.end(),
                            [&](const LookAhead& other) { return other.row == state.row; });
  if (ahead != lookAheads_.end() && ahead->reference != list_.row(state.row).reference) {
    if (ahead->handle != 0) {
      engine_.Free(ahead->handle);  // the list changed under it
    }
    lookAheads_.erase(ahead);
    ahead = lookAheads_.end();
  }
  if (ahead == lookAheads_.end()) {
    ahead = startLookAhead(state.row);
  }
  ahead->slot = slot;
  if (ahead->handle != 0) {
    return;  // the answer is on its way; lookAheadDone goes on
  }
  const std::optional<std::string> apid = std::move(ahead->apid);
  lookAheads_.erase(ahead);
  if (apid) {
    state.apid = *apid;
    startDownload(slot);
    return;
  }
  // The first try got no usable answer: the worker makes the second and third.
  state.retries = 1;
  startWorker(slot, settings_.retryDelays[0], /*lookUp=*/true);
}

std::deque<BatchRun::LookAhead>::iterator BatchRun::startLookAhead(std::size_t row) {
  UrlRequest request =
      lookupRequest(settings_.servicePrefix, list_.row(row).reference, settings_.requestLimit);
  request.notifyTarget = target_;
  request.notifyCode = kBatchAheadLookupEvent;
  LookAhead ahead;
  ahead.row = row;
  ahead.reference = list_.row(row).reference;
  ahead.handle = engine_.GetUrl(request);  // 0: ended at once, without an answer
  lookAheadRow_ = std::max(lookAheadRow_, row + 1);
  // A row checked again after the look-ups passed it goes before the later rows.
  const auto place = std::find_if(lookAheads_.begin(), lookAheads_.end(),
                                  [row](const LookAhead& other) { return other.row > row; });
  return lookAheads_.insert(place, std::move(ahead));
}

void BatchRun::fillLookAheads() {
  // Enough answers ahead for every slot to find one when it takes its next row. A look-up
  // takes a round trip like a page, so as many look-ups in flight as slots only just keep
  // pace and every uneven page leaves a slot waiting; one more keeps them ahead. (200 pages
  // at 50 ms latency: 1.45 times curl's time with three, 1.08 with four.)
  const auto depth = static_cast<std::size_t>(2 * slotCount());
  const int inFlightLimit = slotCount() + 1;
  const auto inFlight = [this] {
    return static_cast<int>(
        std::count_if(lookAheads_.begin(), lookAheads_.end(),
                      [](const LookAhead& ahead) { return ahead.handle != 0; }));
  };
  const auto& rows = list_.rows();
  std::size_t row = std::max(lookAheadRow_, nextRow_);
  while (lookAheads_.size() < depth && inFlight() < inFlightLimit && row < rows.size() &&
         !rows[row].reference.empty()) {
    if (rows[row].checked && rows[row].code == kRowWaiting && !cachedRow(row)) {
      startLookAhead(row);
    }
    lookAheadRow_ = ++row;
  }
}

void BatchRun::lookAheadDone(JobHandle handle) {
  const auto found =
      std::find_if(lookAheads_.begin(), lookAheads_.end(),
                   [handle](const LookAhead& ahead) { return ahead.handle == handle; });
  if (found == lookAheads_.end()) {
    engine_.Free(handle);  // a look-up of a stopped run or of a row passed over
    return;
  }
  if (const auto answer = usableAnswer(engine_.GetData(handle))) {
    found->apid = extractApid(*answer);
  }
  found->handle = 0;
  engine_.Free(handle);
  if (found->slot >= 0) {
    startLookup(found->slot);  // the slot waiting for this answer goes on with it
  }
  fillLookAheads();
}

void BatchRun::dropLookAheads(std::size_t beforeRow, bool keepClaimed) {
  std::erase_if(lookAheads_, [&](const LookAhead& ahead) {
    if (ahead.row >= beforeRow || (keepClaimed && ahead.slot >= 0)) {
      return false;
    }
    if (ahead.handle != 0) {
      engine_.Free(ahead.handle);  // aborts it; it posts nothing then
    }
    return true;
  });
}

void BatchRun::retireWorker(Slot& slot) {
  if (slot.worker.joinable()) {
    slot.worker.request_stop();
    retired_.push_back(Retired{std::move(slot.worker), slot.result});
  }
}

void BatchRun::reapWorkers() {
  // Only workers that have finished their work are joined: they are returning, so it is at once.
  std::erase_if(retired_, [](const Retired& retired) {
    return retired.result != nullptr && retired.result->done.load();
  });
}

void BatchRun::startWorker(int slot, std::chrono::milliseconds delay, bool lookUp) {
  Slot& state = slots_[static_cast<std::size_t>(slot)];
  retireWorker(state);  // it has posted its event and is leaving
  state.result = std::make_shared<detail::WorkerResult>();
  state.result->retries = state.retries;
  state.result->apid = state.apid;
  LookupTask task;
  task.engine = &engine_;
  task.servicePrefix = settings_.servicePrefix;
  task.reference = list_.row(state.row).reference;
  task.requestLimit = settings_.requestLimit;
  task.delay = delay;
  task.lookUp = lookUp;
  task.retryDelays = settings_.retryDelays;
  task.result = state.result;
  task.target = target_;
  task.eventData = (static_cast<std::uintptr_t>(generation_) << 2) | static_cast<unsigned>(slot);
  state.phase = Phase::LookingUp;
  state.worker = std::jthread(
      [task = std::move(task)](const std::stop_token& stop) { runLookup(stop, task); });
}

void BatchRun::startSave(int slot, std::vector<unsigned char> body, bool fromCache) {
  Slot& state = slots_[static_cast<std::size_t>(slot)];
  retireWorker(state);
  state.result = std::make_shared<detail::WorkerResult>();
  SaveTask task;
  task.body = std::move(body);
  const std::string& fileName = list_.row(state.row).fileName;
  if (!fileName.empty()) {
    task.fileName = std::filesystem::path(cp1252ToUtf8(fileName));
  }
  task.pageChecked = settings_.pageChecked;
  task.cache = settings_.cache;
  task.reference = list_.row(state.row).reference;
  task.apid = state.apid;
  task.result = state.result;
  task.target = target_;
  task.eventData = (static_cast<std::uintptr_t>(generation_) << 2) | static_cast<unsigned>(slot);
  state.phase = Phase::Saving;
  state.worker =
      std::jthread([task = std::move(task), fromCache](const std::stop_token& stop) mutable {
        if (fromCache) {
          runCachedSave(stop, task);
        } else {
          runSave(stop, task);
        }
      });
}

void BatchRun::startCachedSave(int slot) {
  startSave(slot, {}, /*fromCache=*/true);
  Slot& state = slots_[static_cast<std::size_t>(slot)];
  list_.setCodeAndStatus(state.row, slot + 1, kStatusLoading);
  listener_.rowStarted(state.row);
}

std::optional<std::int32_t> BatchRun::cancelSave(Slot& slot) {
  if (slot.phase != Phase::Saving || slot.result == nullptr) {
    return std::nullopt;
  }
  // Held by the worker at most while it links the page: no waiting on the disk.
  const std::scoped_lock lock(slot.result->mutex);
  slot.result->cancelled = true;
  return slot.result->saved;
}

bool BatchRun::handleEvent(int code, std::uintptr_t data) {
  reapWorkers();
  if (code == kBatchLookupEvent) {
    if ((data >> 2) == (static_cast<std::uintptr_t>(generation_) & (UINTPTR_MAX >> 2))) {
      workerDone(static_cast<int>(data & 3));
    }
    return true;
  }
  if (code == kBatchAheadLookupEvent) {
    lookAheadDone(static_cast<JobHandle>(data));
    return true;
  }
  if (code >= kBatchSlotEvent0 && code <= kBatchSlotEvent2) {
    completion(code - kBatchSlotEvent0, static_cast<JobHandle>(data));
    return true;
  }
  return false;
}

void BatchRun::workerDone(int slot) {
  if (slot >= slotCount()) {
    return;
  }
  Slot& state = slots_[static_cast<std::size_t>(slot)];
  if ((state.phase != Phase::LookingUp && state.phase != Phase::Saving) ||
      state.result == nullptr || !state.worker.joinable()) {
    return;
  }
  const std::shared_ptr<detail::WorkerResult> result = state.result;
  retireWorker(state);  // it has posted its event and is leaving
  state.result.reset();
  if (state.phase == Phase::Saving && result->cacheMiss) {
    state.cacheTried = true;
    startLookup(slot);  // the entry was unsound: the archive is asked after all
    return;
  }
  if (state.phase == Phase::Saving) {
    std::int32_t code = kRowWriteFailed;
    {
      const std::scoped_lock lock(result->mutex);
      code = result->saved.value_or(kRowWriteFailed);
    }
    if (code == kRowSaved) {
      ++saved_;
      listener_.progressChanged(saved_, maximum_);
    }
    finishRow(slot, code);
    return;
  }
  state.apid = result->apid;
  state.retries = result->retries;
  startDownload(slot);
}

void BatchRun::startDownload(int slot) {
  Slot& state = slots_[static_cast<std::size_t>(slot)];
  list_.setCodeAndStatus(state.row, slot + 1, kStatusLoading);
  UrlRequest request;
  request.url = pageImageUrl(settings_.servicePrefix, state.apid);
  request.flags = kQueryRequestFlags;
  request.notifyTarget = target_;
  request.notifyCode = kBatchSlotEvent0 + slot;
  request.chunkSize = kChunkSize;
  request.connectTimeoutMs = settings_.requestLimit;
  request.politeWaits = 0;  // the slot waits, so its row can say so
  state.handle = engine_.GetUrl(request);
  if (state.handle == 0) {
    // No download could be started: the row ends now instead of waiting for a completion
    // that never comes, and the slot goes on.
    finishRow(slot, kRowNoData);
    return;
  }
  state.phase = Phase::Downloading;
  listener_.rowStarted(state.row);
  fillLookAheads();
}
void BatchRun::completion(int slot, JobHandle handle) {
  Slot& state = slots_[static_cast<std::size_t>(slot)];
  if (state.phase != Phase::Downloading || state.handle != handle) {
    engine_.Free(handle);  // a download of a stopped run; nothing is saved
    return;
  }
  state.handle = 0;
  const int status = engine_.GetHttpStatus(handle);
  if (const auto pause =
          politeDelay(status, engine_.GetRetryAfter(handle), std::chrono::system_clock::now());
      pause && state.politeWaits < kDefaultPoliteWaits) {
    // The archive asked for a pause: the row waits for it without spending a try.
    engine_.Free(handle);
    ++state.politeWaits;
    list_.setCodeAndStatus(state.row, slot + 1, kStatusWaiting);
    startWorker(slot,
                spreadPause(*pause, static_cast<std::uint64_t>(state.row) * 64 +
                                        static_cast<std::uint64_t>(state.politeWaits)),
                /*lookUp=*/false);
    return;
  }
  const auto data = engine_.GetData(handle);
  const bool networkFailure =
      (!data && engine_.GetError(handle) >= kJobErrorHttpBase) || status >= 500 || status == 429;
  if (networkFailure && state.retries < kMaxRetries) {
    engine_.Free(handle);
    const auto delay = settings_.retryDelays[static_cast<std::size_t>(state.retries)];
    ++state.retries;
    startWorker(slot, delay, /*lookUp=*/false);
    return;
  }
  if (!data) {
    engine_.Free(handle);
    finishRow(slot, kRowNoData);
    return;
  }
  // The check and the write go to the slot's worker; its event finishes the row.
  std::vector<unsigned char> body = engine_.TakeData(handle).value_or(std::vector<unsigned char>{});
  engine_.Free(handle);
  startSave(slot, std::move(body), /*fromCache=*/false);
}

void BatchRun::finishRow(int slot, std::int32_t code) {
  Slot& state = slots_[static_cast<std::size_t>(slot)];
  list_.setCodeAndStatus(state.row, code, statusTextForCode(code));
  if (code == kRowSaved) {
    list_.setChecked(state.row, false);
  }
  listener_.rowFinished(state.row);
  slotIdle(slot);
}

void BatchRun::slotIdle(int slot) {
  if (takeNextRow(slot)) {
    startLookup(slot);
    return;
  }
  slots_[static_cast<std::size_t>(slot)].phase = Phase::Idle;
  if (!running()) {
    dropLookAheads(SIZE_MAX, /*keepClaimed=*/false);
    listener_.runFinished();
  }
}

void BatchRun::stop() {
  if (!running()) {
    return;
  }
  ++generation_;
  dropLookAheads(SIZE_MAX, /*keepClaimed=*/false);
  for (Slot& slot : slots_) {
    if (slot.handle != 0) {
      engine_.Free(slot.handle);  // aborts a running download; it posts nothing then
      slot.handle = 0;
    }
    // A page that already has its name keeps it, and its row shows its outcome.
    if (const auto code = cancelSave(slot)) {
      list_.setCodeAndStatus(slot.row, *code, statusTextForCode(*code));
      if (*code == kRowSaved) {
        ++saved_;
        list_.setChecked(slot.row, false);
      }
    }
    retireWorker(slot);
    slot.result.reset();
    slot.phase = Phase::Idle;
  }
  list_.updateAll([](std::vector<LinkRow>& rows) {
    for (LinkRow& row : rows) {
      if (row.reference.empty()) {
        break;
      }
      if (row.checked && row.code >= 0) {
        row.code = kRowStopped;
        row.status = statusTextForCode(kRowStopped);
      }
    }
  });
}

}  // namespace korvalis
