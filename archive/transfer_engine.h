#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "archive/curl_global.h"
#include "archive/event_codes.h"
#include "archive/retry_after.h"
#include "platform/event_target.h"

namespace korvalis {

/// Identifies one request of the engine. Handles are never reused during a run, so a freed
/// handle stays invalid. 0 means "no job".
using JobHandle = std::uintptr_t;

/// Request flags (bit values of the original HTTP client's open-URL operation).
inline constexpr std::uint32_t kFlagNoCacheWrite = 0x04000000;
inline constexpr std::uint32_t kFlagNoCookies = 0x00080000;      ///< no cookies sent or kept
inline constexpr std::uint32_t kFlagResynchronize = 0x00000800;  ///< "Cache-Control: no-cache"
inline constexpr std::uint32_t kFlagPragmaNoCache = 0x00000100;  ///< "Pragma: no-cache"
/// What flags -1 select.
inline constexpr std::uint32_t kDefaultRequestFlags = 0x04000100;
/// Metadata queries and batch downloads.
inline constexpr std::uint32_t kQueryRequestFlags = 0x04080800;
/// The page image shown in the main window.
inline constexpr std::uint32_t kPageRequestFlags = 0x04000800;

/// Engine error codes (GetError(0)).
inline constexpr int kEngineNoError = 0;
inline constexpr int kEngineNoMemory = 3;
inline constexpr int kEngineInitFailed = 4;
inline constexpr int kEngineConnectFailed = 5;
inline constexpr int kEngineReadFailed = 6;
inline constexpr int kEngineAborted = 7;
inline constexpr int kEngineBadHandle = 8;

/// Job error numbers. Failures of the HTTP library are reported as kJobErrorHttpBase plus the
/// library's own result code (so they fall into 12000-12174 like the original HTTP client's
/// numbers, and their text is the library's message for that code).
inline constexpr int kJobErrorNoMemory = 3;
inline constexpr int kJobErrorAborted = 7;
inline constexpr int kJobErrorHttpBase = 12000;

/// The user agent every request sends.
inline constexpr std::string_view kUserAgent = "Mozilla/4.0 (compatible; ST)";

/// Largest body the engine keeps in memory; a longer body fails with "Not enough Memory".
inline constexpr std::size_t kDefaultBodyLimit = std::size_t{256} * 1024 * 1024;

/// A request ends with a read failure when no byte arrives for this many seconds.
inline constexpr int kDefaultStallSeconds = 30;

/// One request to GetUrl.
struct UrlRequest {
  std::string url;
  std::string user;  ///< non-empty: an "Authorization: Basic" header is sent
  std::string password;
  std::int64_t flags = -1;  ///< -1 selects kDefaultRequestFlags
  /// Receives the completion event; null: none. The worker holds it until it ends, so a
  /// window that goes away first never leaves the worker a dangling target.
  std::shared_ptr<EventTarget> notifyTarget;
  int notifyCode = 0;         ///< 0: no completion event
  int chunkSize = 0;          ///< bytes per read; below 1 means 65536
  int connectTimeoutMs = -1;  ///< -1 keeps the library default
  /// How many answers 429 or 503 with a Retry-After of at most kRetryAfterCap the worker waits
  /// out (on its own thread, ended at once by an abort or stop) before asking again; the
  /// answer after the last one counts as it came. 0: every answer counts (the caller waits).
  int politeWaits = kDefaultPoliteWaits;
};

namespace detail {
struct JobState;
struct EngineShared;
}  // namespace detail

/// Fetches URLs into memory on worker threads (or on the caller's thread for synchronous
/// requests). All public operations are called from one thread (the user-interface thread);
/// workers talk back only through atomics and events posted to the request's EventTarget.
/// Progress values for the main window's progress field are posted as kProgressValueEvent to
/// the progress target (see setProgressTarget). HTTPS is always verified.
class TransferEngine {
 public:
  /// `caFile` names the CA bundle to trust instead of the system's ("" = the system's). The
  /// engine and its workers hold the library's set-up, so `curl` may go before them.
  explicit TransferEngine(const CurlGlobal& curl, std::string caFile = {});
  /// Runs Destroy(), then waits (bounded, the program's end) for workers still leaving libcurl
  /// (after an abort, or just after their last event). A worker still running after that keeps
  /// the library's set-up alive until it ends.
  ~TransferEngine();
  TransferEngine(const TransferEngine&) = delete;
  TransferEngine& operator=(const TransferEngine&) = delete;

  /// The window whose progress field the workers drive (codes below 65540); may be null.
  /// Requests started afterwards use it; each worker holds it until it ends.
  void setProgressTarget(std::shared_ptr<EventTarget> target);
  /// The largest body kept in memory (default 256 MiB).
  void setBodyLimit(std::size_t bytes);
  /// How long a request may receive nothing before it fails (default 30 s, at least 1 s).
  void setStallTimeout(int seconds);
  /// The least time between the starts of two requests of this engine (default 0: none). Each
  /// request waits its turn on its worker (a synchronous one on its caller's thread), so
  /// every try, polite retries included, keeps the distance across all jobs.
  void setRequestInterval(std::chrono::milliseconds interval);

  /// Starts an asynchronous download; returns its handle (0 only when the job cannot be
  /// created: engine error 3).
  JobHandle GetUrl(const UrlRequest& request);
  /// Runs the download on the calling thread and returns the body, or nothing when no usable
  /// body arrived (failure, abort or an empty body). No job is left behind; nothing is posted.
  /// A stop requested through `stop` (from another thread) ends it like an abort. May be
  /// called from any thread.
  std::optional<std::vector<unsigned char>> GetUrlSync(const UrlRequest& request,
                                                       std::stop_token stop = {});
  /// A job that has already ended with `body` as its data, as if it had been downloaded
  /// (content length and bytes received are the body's size; nothing is posted). Pages held
  /// in memory take the same way as downloaded ones. 0 when it cannot be created.
  JobHandle AdoptBody(std::vector<unsigned char> body);

  /// The received body once the transfer has ended; nothing while it runs, for an empty or
  /// failed body, or for an unknown handle (engine error 8). Valid until Free.
  std::optional<std::span<const unsigned char>> GetData(JobHandle handle);
  /// Moves the received body out of an ended job (as GetData; afterwards GetData gives
  /// nothing), so a large page changes hands without a copy.
  std::optional<std::vector<unsigned char>> TakeData(JobHandle handle);
  /// Content length: -1 before the headers, -2 without a Content-Length header, the header's
  /// value, and after a successful download the bytes received. 0 for an unknown handle.
  std::int64_t GetContentLength(JobHandle handle);
  /// Body bytes received so far.
  std::int64_t GetBytesReceived(JobHandle handle);
  /// The HTTP status of the last response once the transfer has ended (0 when none came,
  /// while it runs, or for an unknown handle).
  int GetHttpStatus(JobHandle handle);
  /// The Retry-After header of the last response once the transfer has ended ("" when it had
  /// none, while it runs, or for an unknown handle); read it with politeDelay().
  std::string GetRetryAfter(JobHandle handle);
  /// 1 while the job's worker is still running and has not been aborted.
  int IsRunning(JobHandle handle);
  /// Asks the worker to stop and returns at once (always 1). From then on the job posts
  /// nothing (no completion, no progress; the progress field gets its reset here), counts as
  /// ended and holds no data; the worker leaves libcurl on its own soon after. An ended job
  /// is left as it is.
  int Abort(JobHandle handle);
  /// Aborts a running job, then releases it (and its data when freeData is true). Never waits
  /// for the worker.
  void Free(JobHandle handle, bool freeData = true);
  /// Frees every job still held.
  void Destroy();
  /// Handle 0: the engine's last error; otherwise the job's error number.
  int GetError(JobHandle handle);
  /// The text for GetError(handle).
  std::string GetErrorText(JobHandle handle);

  /// Number of jobs held (started and not yet freed).
  std::size_t jobCount() const { return jobs_.size(); }

 private:
  struct Entry {
    JobHandle handle;
    std::shared_ptr<detail::JobState> job;
  };
  Entry* find(JobHandle handle);
  std::shared_ptr<detail::JobState> makeJob(const UrlRequest& request);

  std::shared_ptr<detail::EngineShared> shared_;
  std::vector<Entry> jobs_;
  /// The jobs of the (detached) workers, each expired once its worker has let go of it.
  std::vector<std::weak_ptr<detail::JobState>> workers_;
  JobHandle nextHandle_ = 1;
};

/// The text of an engine error code; `detail` is appended to the codes whose message is
/// followed by an error text.
std::string engineErrorText(int code, std::string_view detail);

}  // namespace korvalis
