#include "archive/transfer_engine.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <mutex>
#include <stop_token>
#include <system_error>
#include <thread>
#include <utility>

#include "archive/base64.h"
#include "archive/event_codes.h"

namespace korvalis {

namespace detail {

/// The connections, TLS sessions and host names the engine's transfers share, so a request
/// to the archive reuses an open connection instead of a new TCP and TLS handshake each time.
/// libcurl calls the lock functions from the worker threads.
class ConnectionShare {
 public:
  ConnectionShare() : share_(curl_share_init()) {
    if (share_ == nullptr) {
      return;
    }
    curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, lock);
    curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, unlock);
    curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
  }
  ~ConnectionShare() {
    if (share_ != nullptr) {
      curl_share_cleanup(share_);
    }
  }
  ConnectionShare(const ConnectionShare&) = delete;
  ConnectionShare& operator=(const ConnectionShare&) = delete;

  CURLSH* handle() const { return share_; }

 private:
  static constexpr int kLockCount = CURL_LOCK_DATA_LAST;
  static void lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
    static_cast<ConnectionShare*>(user)->mutexes_[index(data)].lock();
  }
  static void unlock(CURL*, curl_lock_data data, void* user) {
    static_cast<ConnectionShare*>(user)->mutexes_[index(data)].unlock();
  }
  static std::size_t index(curl_lock_data data) {
    return static_cast<std::size_t>(std::clamp(static_cast<int>(data), 0, kLockCount - 1));
  }

  CURLSH* share_;
  std::array<std::mutex, kLockCount> mutexes_;
};

/// The least time between two request starts across the engine's jobs: each start claims the
/// next free turn under the lock and then waits for it outside, on its own thread.
class PacingGate {
 public:
  void setInterval(std::chrono::milliseconds interval) { intervalMs_ = interval.count(); }
  /// The time the caller's request may start; turns are handed out in the order asked for.
  std::chrono::steady_clock::time_point claimTurn() {
    const auto interval = std::chrono::milliseconds(intervalMs_.load());
    const auto now = std::chrono::steady_clock::now();
    if (interval.count() <= 0) {
      return now;
    }
    const std::scoped_lock lock(mutex_);
    const auto turn = std::max(now, next_);
    next_ = turn + interval;
    return turn;
  }

 private:
  std::atomic<std::int64_t> intervalMs_{0};
  std::mutex mutex_;
  std::chrono::steady_clock::time_point next_{};
};

/// Engine fields the workers use: the last error, the settings they read and the shared
/// connections. Workers hold it through a shared pointer, so a worker that outlives the
/// engine (detached after an abort that did not end in time) still finds it.
struct EngineShared {
  explicit EngineShared(std::shared_ptr<const void> curlHold) : curl(std::move(curlHold)) {}

  /// The library's set-up, first: released only after the connections, and only when the
  /// last worker holding this structure has ended.
  std::shared_ptr<const void> curl;
  std::atomic<int> lastError{kEngineNoError};
  std::shared_ptr<EventTarget> progressTarget;  // UI thread only; copied into each job
  std::atomic<std::size_t> bodyLimit{kDefaultBodyLimit};
  std::atomic<int> stallSeconds{kDefaultStallSeconds};
  std::string caFile;  // set on construction; copied into each job
  ConnectionShare connections;
  PacingGate pacing;
};

/// abortFlag values: 0 run, 1 abort requested, 2 the worker has seen the request.
/// `postMutex` orders the worker's posts against an abort: the worker posts only while holding
/// it and seeing no abort, and Abort sets the flag under it, so nothing is posted once Abort
/// has returned. It is held only for a post, never across the transfer.
struct JobState {
  JobHandle handle = 0;
  UrlRequest request;
  std::uint32_t flags = kDefaultRequestFlags;
  std::string caFile;
  std::shared_ptr<EventTarget> progressTarget;
  std::shared_ptr<EngineShared> engine;

  std::atomic<int> abortFlag{0};
  std::stop_token stop;  ///< a synchronous request's own stop, seen like an abort
  std::mutex postMutex;
  std::atomic<bool> finished{false};
  std::atomic<std::int64_t> contentLength{-1};
  std::atomic<std::int64_t> bytesReceived{0};
  std::atomic<int> jobError{0};
  std::atomic<int> httpStatus{0};

  // Written by the worker, read by the UI thread only once `finished` is set.
  std::string errorText;
  std::string retryAfter;  ///< the last response's Retry-After header
  std::optional<std::vector<unsigned char>> data;

  bool hasThread = false;
};

}  // namespace detail

namespace {

using detail::EngineShared;
using detail::JobState;

constexpr std::size_t kErrorTextLimit = 255;
constexpr int kDefaultChunk = 65536;
constexpr auto kPollStep = std::chrono::milliseconds(2);
/// How long the engine's end waits for workers an abort left running.
constexpr auto kExitWait = std::chrono::milliseconds(2000);

bool drivesProgress(const JobState& job) {
  return job.request.notifyCode != 0 && job.request.notifyCode < kFirstCodeWithoutProgress;
}

void postProgress(const JobState& job, std::int64_t value) {
  if (job.progressTarget != nullptr && drivesProgress(job)) {
    job.progressTarget->postEvent(kProgressValueEvent, static_cast<std::uintptr_t>(value));
  }
}

/// The worker's progress: dropped once an abort was asked for, whose reset comes last.
void postWorkerProgress(JobState& job, std::int64_t value) {
  const std::scoped_lock lock(job.postMutex);
  if (job.abortFlag.load() == 0) {
    postProgress(job, value);
  }
}

/// Per-transfer bookkeeping of the libcurl callbacks (worker thread only).
struct Transfer {
  JobState* job = nullptr;
  CURL* curl = nullptr;
  std::vector<unsigned char> body;
  std::size_t chunk = kDefaultChunk;
  std::size_t limit = kDefaultBodyLimit;
  bool aborted = false;
  bool overLimit = false;
  bool noMemory = false;
  bool headersDone = false;
  std::int64_t lastProgress = 0;
  std::string retryAfter;  ///< of the current header block
};

bool seeAbort(Transfer& transfer) {
  if (transfer.job->abortFlag.load() != 0 || transfer.job->stop.stop_requested()) {
    transfer.job->abortFlag.store(2);
    transfer.aborted = true;
  }
  return transfer.aborted;
}

/// The value of header line `line` when it is the header `lowerName`, without blanks and line
/// end around it.
std::optional<std::string_view> headerValue(std::string_view line, std::string_view lowerName) {
  if (line.size() <= lowerName.size() || line[lowerName.size()] != ':') {
    return std::nullopt;
  }
  for (std::size_t i = 0; i < lowerName.size(); ++i) {
    const char c = line[i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != lowerName[i]) {
      return std::nullopt;
    }
  }
  std::string_view value = line.substr(lowerName.size() + 1);
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!value.empty() && blank(value.front())) {
    value.remove_prefix(1);
  }
  while (!value.empty() && blank(value.back())) {
    value.remove_suffix(1);
  }
  return value;
}

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto& transfer = *static_cast<Transfer*>(user);
  const std::string_view line(data, size * count);
  if (line.starts_with("HTTP/")) {
    transfer.retryAfter.clear();  // a new response (after a redirect, or the first one)
  } else if (const auto value = headerValue(line, "retry-after")) {
    transfer.retryAfter = std::string(value->substr(0, kErrorTextLimit));
  }
  if (line == "\r\n" || line == "\n") {
    // End of one header block (redirects give several; the last one counts).
    curl_off_t length = -1;
    if (curl_easy_getinfo(transfer.curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK ||
        length < 0) {
      length = -2;
    }
    transfer.job->contentLength.store(length);
    transfer.headersDone = true;
    // A known length is taken in one allocation instead of growing the body step by step.
    if (length > 0 && static_cast<std::uint64_t>(length) <= transfer.limit) {
      try {
        transfer.body.reserve(static_cast<std::size_t>(length));
      } catch (const std::bad_alloc&) {
        transfer.noMemory = true;
        return 0;
      }
    }
  }
  return size * count;
}

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto& transfer = *static_cast<Transfer*>(user);
  const std::size_t bytes = size * count;
  if (seeAbort(transfer)) {
    return 0;
  }
  if (bytes > transfer.limit - std::min(transfer.limit, transfer.body.size())) {
    transfer.overLimit = true;
    return 0;
  }
  try {
    if (transfer.body.capacity() < transfer.body.size() + bytes) {
      // Grow by at least one chunk, doubling for large bodies so copies stay rare.
      transfer.body.reserve(std::max(transfer.body.size() + bytes + transfer.chunk,
                                     std::min(transfer.limit, transfer.body.capacity() * 2)));
    }
    transfer.body.insert(transfer.body.end(), data, data + bytes);
  } catch (const std::bad_alloc&) {
    transfer.noMemory = true;
    return 0;
  }
  const auto total = static_cast<std::int64_t>(transfer.body.size());
  transfer.job->bytesReceived.store(total);
  // Progress unit: 32,768 bytes; only changes are posted.
  if (const std::int64_t value = total >> 15; value != transfer.lastProgress) {
    transfer.lastProgress = value;
    postWorkerProgress(*transfer.job, value);
  }
  return bytes;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return seeAbort(*static_cast<Transfer*>(user)) ? 1 : 0;
}

void setFailure(JobState& job, int engineError, int jobError, std::string_view text) {
  job.engine->lastError.store(engineError);
  job.jobError.store(jobError);
  job.errorText = std::string(text.substr(0, kErrorTextLimit));
}

curl_slist* requestHeaders(const JobState& job) {
  curl_slist* headers = nullptr;
  if (!job.request.user.empty()) {
    const std::string auth =
        "Authorization: Basic " + base64Encode(job.request.user + ":" + job.request.password);
    headers = curl_slist_append(headers, auth.c_str());
  }
  if ((job.flags & kFlagPragmaNoCache) != 0) {
    headers = curl_slist_append(headers, "Pragma: no-cache");
  }
  if ((job.flags & kFlagResynchronize) != 0) {
    headers = curl_slist_append(headers, "Cache-Control: no-cache");
  }
  return headers;
}

/// Idle connections the engine's shared pool keeps.
constexpr long kSharedConnectionLimit = 16;

void configure(CURL* curl, Transfer& transfer, curl_slist* headers, char* errorBuffer) {
  const JobState& job = *transfer.job;
  const std::string userAgent(kUserAgent);
  curl_easy_setopt(curl, CURLOPT_URL, job.request.url.c_str());
  curl_easy_setopt(curl, CURLOPT_USERAGENT, userAgent.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
  curl_easy_setopt(curl, CURLOPT_BUFFERSIZE,
                   static_cast<long>(std::clamp<std::size_t>(transfer.chunk, 1024, 512 * 1024)));
  if (job.request.connectTimeoutMs != -1) {
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(std::max(1, job.request.connectTimeoutMs)));
  }
  if (headers != nullptr) {
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  }
  if ((job.flags & kFlagNoCookies) == 0) {
    curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");  // cookie engine on, kept per transfer
  }
  if (!job.caFile.empty()) {
    curl_easy_setopt(curl, CURLOPT_CAINFO, job.caFile.c_str());
  }
  // A server that stops sending ends the request after the stall time, like a failed read.
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME,
                   static_cast<long>(job.engine->stallSeconds.load()));
  if (job.engine->connections.handle() != nullptr) {
    curl_easy_setopt(curl, CURLOPT_SHARE, job.engine->connections.handle());
    // Each transfer runs on a handle of its own, whose pool limit (a few connections) would
    // otherwise close the shared pool's idle connections as soon as several requests overlap
    // (look-ups beside downloads), and every later request would pay a new handshake.
    curl_easy_setopt(curl, CURLOPT_MAXCONNECTS, kSharedConnectionLimit);
  }
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
}

/// Sorts a finished transfer into the engine's outcomes. Returns whether the completion event
/// may be posted (not after an abort).
bool finishTransfer(JobState& job, Transfer& transfer, CURLcode result, const char* errorBuffer) {
  long status = 0;
  if (curl_easy_getinfo(transfer.curl, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK) {
    job.httpStatus.store(static_cast<int>(status));
  }
  job.retryAfter = std::move(transfer.retryAfter);
  if (transfer.aborted || job.abortFlag.load() != 0) {
    setFailure(job, kEngineAborted, kJobErrorAborted, "");
    return false;
  }
  if (transfer.overLimit || transfer.noMemory) {
    setFailure(job, kEngineNoMemory, kJobErrorNoMemory, "");
    return true;
  }
  if (result != CURLE_OK) {
    const std::string_view text =
        errorBuffer[0] != '\0' ? std::string_view(errorBuffer) : curl_easy_strerror(result);
    // Failures before the response headers are connection failures; later ones are reads.
    setFailure(job, transfer.headersDone ? kEngineReadFailed : kEngineConnectFailed,
               kJobErrorHttpBase + static_cast<int>(result), text);
    return true;
  }
  const auto total = static_cast<std::int64_t>(transfer.body.size());
  job.contentLength.store(total);
  if (total > 0) {
    transfer.body.shrink_to_fit();
    job.data = std::move(transfer.body);
  }
  return true;
}

bool abortSeen(const JobState& job) {
  return job.abortFlag.load() != 0 || job.stop.stop_requested();
}

/// Waits on the worker's own thread until `until`, ended early by an abort or a stop; false
/// when one came.
bool pauseUntil(JobState& job, std::chrono::steady_clock::time_point until) {
  constexpr auto kStep = std::chrono::milliseconds(10);
  while (!abortSeen(job)) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= until) {
      return true;
    }
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(until - now, kStep));
  }
  job.abortFlag.store(2);
  return false;
}

/// One try of the request: waits its turn at the pacing gate, then runs the transfer. Returns
/// whether the completion event may be posted.
bool transferOnce(JobState& job) {
  if (!pauseUntil(job, job.engine->pacing.claimTurn())) {
    setFailure(job, kEngineAborted, kJobErrorAborted, "");
    return false;
  }
  Transfer transfer;
  transfer.job = &job;
  transfer.chunk = job.request.chunkSize < 1 ? std::size_t{kDefaultChunk}
                                             : static_cast<std::size_t>(job.request.chunkSize);
  transfer.limit = job.engine->bodyLimit.load();
  CURL* curl = curl_easy_init();
  if (curl == nullptr) {
    setFailure(job, kEngineInitFailed, kJobErrorHttpBase + CURLE_FAILED_INIT,
               curl_easy_strerror(CURLE_FAILED_INIT));
    return true;
  }
  transfer.curl = curl;
  char errorBuffer[CURL_ERROR_SIZE] = {};
  curl_slist* headers = requestHeaders(job);
  configure(curl, transfer, headers, errorBuffer);
  const CURLcode result = curl_easy_perform(curl);
  const bool mayNotify = finishTransfer(job, transfer, result, errorBuffer);
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  return mayNotify;
}

/// Forgets a try's outcome before the next one.
void resetOutcome(JobState& job) {
  job.contentLength.store(-1);
  job.bytesReceived.store(0);
  job.jobError.store(0);
  job.httpStatus.store(0);
  job.errorText.clear();
  job.retryAfter.clear();
  job.data.reset();
}

/// The worker: runs once per job, on its own thread or on the caller's. An answer that asks
/// for a pause (429/503 with Retry-After) is waited out here and asked again, as often as the
/// request allows.
void runTransfer(JobState& job, bool notify) {
  bool mayNotify = transferOnce(job);
  for (int waits = 0; mayNotify && waits < job.request.politeWaits; ++waits) {
    const auto delay =
        politeDelay(job.httpStatus.load(), job.retryAfter, std::chrono::system_clock::now());
    if (!delay) {
      break;
    }
    const auto spread = spreadPause(*delay, job.handle * 64 + static_cast<std::uint64_t>(waits));
    if (!pauseUntil(job, std::chrono::steady_clock::now() + spread)) {
      setFailure(job, kEngineAborted, kJobErrorAborted, "");
      mayNotify = false;
      break;
    }
    resetOutcome(job);
    mayNotify = transferOnce(job);
  }
  // The end and its events under the post lock: an abort either comes before (and nothing is
  // posted) or finds the job finished (and its events posted).
  const std::scoped_lock lock(job.postMutex);
  job.finished.store(true);
  if (!mayNotify || job.abortFlag.load() != 0) {
    return;
  }
  postProgress(job, 0);
  const std::shared_ptr<EventTarget>& target = job.request.notifyTarget;
  if (notify && target != nullptr && job.request.notifyCode != 0) {
    target->postEvent(job.request.notifyCode, job.handle);
  }
}

}  // namespace

TransferEngine::TransferEngine(const CurlGlobal& curl, std::string caFile)
    : shared_(std::make_shared<EngineShared>(curl.hold())) {
  shared_->caFile = std::move(caFile);
}

void TransferEngine::setProgressTarget(std::shared_ptr<EventTarget> target) {
  shared_->progressTarget = std::move(target);
}

void TransferEngine::setBodyLimit(std::size_t bytes) {
  shared_->bodyLimit = bytes;
}

void TransferEngine::setStallTimeout(int seconds) {
  shared_->stallSeconds = std::max(1, seconds);
}

void TransferEngine::setRequestInterval(std::chrono::milliseconds interval) {
  shared_->pacing.setInterval(interval);
}

std::shared_ptr<JobState> TransferEngine::makeJob(const UrlRequest& request) {
  try {
    auto job = std::make_shared<JobState>();
    job->request = request;
    job->flags =
        request.flags == -1 ? kDefaultRequestFlags : static_cast<std::uint32_t>(request.flags);
    job->caFile = shared_->caFile;
    job->progressTarget = shared_->progressTarget;
    job->engine = shared_;
    return job;
  } catch (const std::bad_alloc&) {
    shared_->lastError = kEngineNoMemory;
    return nullptr;
  }
}

JobHandle TransferEngine::GetUrl(const UrlRequest& request) {
  auto job = makeJob(request);
  if (job == nullptr) {
    return 0;
  }
  job->handle = nextHandle_++;
  try {
    jobs_.push_back(Entry{job->handle, job});
    std::erase_if(workers_, [](const auto& worker) { return worker.expired(); });
    workers_.push_back(job);
    job->hasThread = true;
    // Detached: the worker holds its own reference to the job and the engine's shared part,
    // so it may end after the job was freed; nobody ever waits for it on this thread.
    std::thread([job] { runTransfer(*job, /*notify=*/true); }).detach();
  } catch (const std::system_error&) {
    job->hasThread = false;
    jobs_.pop_back();
    shared_->lastError = 2;  // "Unable to create Thread"
    return 0;
  } catch (const std::bad_alloc&) {
    shared_->lastError = kEngineNoMemory;
    return 0;
  }
  return job->handle;
}

std::optional<std::vector<unsigned char>> TransferEngine::GetUrlSync(const UrlRequest& request,
                                                                     std::stop_token stop) {
  auto job = makeJob(request);
  if (job == nullptr) {
    return std::nullopt;
  }
  job->stop = std::move(stop);
  runTransfer(*job, /*notify=*/false);
  return std::move(job->data);
}

JobHandle TransferEngine::AdoptBody(std::vector<unsigned char> body) {
  try {
    auto job = makeJob(UrlRequest{});
    if (job == nullptr) {
      return 0;
    }
    job->handle = nextHandle_++;
    const auto size = static_cast<std::int64_t>(body.size());
    job->contentLength = size;
    job->bytesReceived = size;
    if (!body.empty()) {
      job->data = std::move(body);
    }
    job->finished = true;
    jobs_.push_back(Entry{job->handle, job});
    return job->handle;
  } catch (const std::bad_alloc&) {
    shared_->lastError = kEngineNoMemory;
    return 0;
  }
}

TransferEngine::Entry* TransferEngine::find(JobHandle handle) {
  const auto it = std::find_if(jobs_.begin(), jobs_.end(),
                               [handle](const Entry& entry) { return entry.handle == handle; });
  if (handle == 0 || it == jobs_.end()) {
    shared_->lastError = kEngineBadHandle;
    return nullptr;
  }
  return &*it;
}

std::optional<std::span<const unsigned char>> TransferEngine::GetData(JobHandle handle) {
  Entry* entry = find(handle);
  if (entry == nullptr || !entry->job->finished.load() || entry->job->abortFlag.load() != 0 ||
      !entry->job->data) {
    return std::nullopt;
  }
  return std::span<const unsigned char>(*entry->job->data);
}

std::optional<std::vector<unsigned char>> TransferEngine::TakeData(JobHandle handle) {
  if (!GetData(handle)) {
    return std::nullopt;
  }
  return std::exchange(find(handle)->job->data, std::nullopt);
}

std::int64_t TransferEngine::GetContentLength(JobHandle handle) {
  Entry* entry = find(handle);
  return entry == nullptr ? 0 : entry->job->contentLength.load();
}

std::int64_t TransferEngine::GetBytesReceived(JobHandle handle) {
  Entry* entry = find(handle);
  return entry == nullptr ? 0 : entry->job->bytesReceived.load();
}

int TransferEngine::GetHttpStatus(JobHandle handle) {
  Entry* entry = find(handle);
  return entry == nullptr || !entry->job->finished.load() ? 0 : entry->job->httpStatus.load();
}

std::string TransferEngine::GetRetryAfter(JobHandle handle) {
  Entry* entry = find(handle);
  return entry == nullptr || !entry->job->finished.load() ? std::string() : entry->job->retryAfter;
}

int TransferEngine::IsRunning(JobHandle handle) {
  Entry* entry = find(handle);
  return entry != nullptr && entry->job->hasThread && !entry->job->finished.load() &&
                 entry->job->abortFlag.load() == 0
             ? 1
             : 0;
}

TransferEngine::~TransferEngine() {
  Destroy();
  // The engine's end (the program's): workers still leaving libcurl, after an abort or just
  // after their last event, get a bounded time to let go of their job, so the connections and
  // the library's set-up are released here rather than on a worker while the program goes on.
  const auto end = std::chrono::steady_clock::now() + kExitWait;
  for (const auto& worker : workers_) {
    while (!worker.expired() && std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(kPollStep);
    }
  }
}

int TransferEngine::Abort(JobHandle handle) {
  Entry* entry = find(handle);
  if (entry == nullptr) {
    return 1;
  }
  JobState& job = *entry->job;
  if (!job.hasThread) {
    return 1;
  }
  const std::scoped_lock lock(job.postMutex);
  if (job.finished.load() || job.abortFlag.load() != 0) {
    return 1;
  }
  // The worker sees the flag in libcurl's progress or write callback and ends on its own; it
  // is never killed and never waited for here.
  job.abortFlag.store(1);
  job.jobError = kJobErrorAborted;
  shared_->lastError = kEngineAborted;
  // The progress field's reset comes after every progress event of the worker.
  postProgress(job, 0);
  return 1;
}

void TransferEngine::Free(JobHandle handle, bool /*freeData*/) {
  // The body lives in the job, so it always goes with it; callers pass freeData = true.
  Entry* entry = find(handle);
  if (entry == nullptr) {
    return;
  }
  if (entry->job->hasThread && !entry->job->finished.load()) {
    Abort(handle);  // its worker leaves libcurl on its own
  }
  std::erase_if(jobs_, [handle](const Entry& e) { return e.handle == handle; });
}

void TransferEngine::Destroy() {
  while (!jobs_.empty()) {
    Free(jobs_.back().handle, /*freeData=*/true);
  }
}

int TransferEngine::GetError(JobHandle handle) {
  if (handle == 0) {
    return shared_->lastError.load();
  }
  Entry* entry = find(handle);
  return entry == nullptr ? 0 : entry->job->jobError.load();
}

std::string TransferEngine::GetErrorText(JobHandle handle) {
  if (handle == 0) {
    return engineErrorText(shared_->lastError.load(), "");
  }
  Entry* entry = find(handle);
  if (entry == nullptr) {
    return engineErrorText(kEngineBadHandle, "");
  }
  const JobState& job = *entry->job;
  const int code = job.jobError.load();
  std::string detail;
  if (job.finished.load()) {
    detail = job.errorText;
  } else if (code >= kJobErrorHttpBase) {
    detail = curl_easy_strerror(static_cast<CURLcode>(code - kJobErrorHttpBase));
  }
  return engineErrorText(code, detail);
}

std::string engineErrorText(int code, std::string_view detail) {
  switch (code) {
    case 0:
      return "No Error";
    case 1:
      return "Unable to create File";
    case 2:
      return "Unable to create Thread";
    case kEngineNoMemory:
      return "Not enough Memory";
    case kEngineInitFailed:
      return "WinINet-Init failed;" + std::string(detail);
    case kEngineConnectFailed:
      return "Unable to connect to URL;" + std::string(detail);
    case kEngineReadFailed:
      return "Unable to open File on Server;" + std::string(detail);
    case kEngineAborted:
      return "User aborted!";
    case kEngineBadHandle:
      return "This was no real GetFile-Handle!";
    default:
      return "Win-Error;" + std::string(detail);
  }
}

}  // namespace korvalis
