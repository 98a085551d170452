// Times page downloads through the transfer engine: N sequential fetches, then N rounds of
// three at once. Prints "sequential SECONDS" and "parallel3 SECONDS".
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "archive/archive_address.h"
#include "archive/curl_global.h"
#include "archive/transfer_engine.h"

namespace {
class CountingTarget : public korvalis::EventTarget {
 public:
  void postEvent(int, std::uintptr_t) override {}
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

  request.notifyTarget = std::make_shared<CountingTarget>();
  request.notifyCode = 65540;
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) {
    korvalis::JobHandle jobs[3];
    for (auto& job : jobs) {
      job = engine.GetUrl(request);
    }
    for (const auto job : jobs) {
      while (engine.IsRunning(job) != 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      if (!engine.GetData(job)) {
        std::fprintf(stderr, "fetch failed\n");
        return 1;
      }
      engine.Free(job);
    }
  }
  std::printf("parallel3 %.3f\n", seconds(start));
  return 0;
}
