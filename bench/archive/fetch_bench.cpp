// Times page downloads through the transfer engine: N sequential fetches, then 3 x N fetches
// with three always in flight (a new one starts as soon as one ends), as curl --parallel
// --parallel-max 3 runs them. Prints "sequential SECONDS" and "parallel3 SECONDS".
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "archive/archive_address.h"
#include "archive/curl_global.h"
#include "archive/transfer_engine.h"

namespace {
/// Receives the completion events of the workers and hands the ended jobs to the main thread.
class EndedJobs : public korvalis::EventTarget {
 public:
  void postEvent(int, std::uintptr_t job) override {
    {
      const std::lock_guard lock(mutex_);
      ended_.push_back(job);
    }
    changed_.notify_one();
  }
  korvalis::JobHandle next() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !ended_.empty(); });
    const korvalis::JobHandle job = ended_.front();
    ended_.pop_front();
    return job;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<korvalis::JobHandle> ended_;
};

double seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: korvalis_archive_fetch_bench URL COUNT\n");
    return 2;
  }
  const std::string url = argv[1];
  const int count = std::atoi(argv[2]);
  const korvalis::CurlGlobal curl;
  korvalis::TransferEngine engine(curl, korvalis::caBundleFile());
  korvalis::UrlRequest request;
  request.url = url;
  request.flags = korvalis::kQueryRequestFlags;
  request.chunkSize = 16384;
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) {
    if (!engine.GetUrlSync(request)) {
      std::fprintf(stderr, "fetch failed: %s\n", engine.GetErrorText(0).c_str());
      return 1;
    }
  }
  std::printf("sequential %.3f\n", seconds(start));

  const auto ended = std::make_shared<EndedJobs>();
  request.notifyTarget = ended;
  request.notifyCode = 65540;
  start = std::chrono::steady_clock::now();
  const int total = 3 * count;
  int started = 0;
  int finished = 0;
  for (; started < std::min(3, total); ++started) {
    engine.GetUrl(request);
  }
  while (finished < total) {
    const korvalis::JobHandle job = ended->next();
    // The event is posted as the worker ends; its data is complete by then.
    while (engine.IsRunning(job) != 0) {
      std::this_thread::yield();
    }
    if (!engine.GetData(job)) {
      std::fprintf(stderr, "fetch failed\n");
      return 1;
    }
    engine.Free(job);
    ++finished;
    if (started < total) {
      engine.GetUrl(request);
      ++started;
    }
  }
  std::printf("parallel3 %.3f\n", seconds(start));
  return 0;
}
