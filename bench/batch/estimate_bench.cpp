// The storage estimate's size queries against the archive named by KORVALIS_ARCHIVE_URL (the
// test archive server with its latency): the estimate as the program runs it (four queries at
// once over the engine's shared connections) against the same estimate asking one size at a
// time, alternating in one run. Prints the best time of each and their ratio.
// Usage: estimate_bench PAGES [ROUNDS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "archive/archive_address.h"
#include "archive/curl_global.h"
#include "batch/event_queue.h"
#include "batch/storage_estimate.h"

using namespace korvalis;

namespace {

constexpr int kFilmPages = 596;  // film 004010312 of the sample catalogue

struct Outcome {
  double seconds;
  EstimateTotals totals;
};

Outcome timedEstimate(TransferEngine& engine, const std::vector<std::string>& references,
                      int atOnce) {
  auto queue = std::make_shared<EventQueue>();
  StorageEstimate estimate(engine, queue, archiveBaseUrl() + "/das/v2/");
  estimate.setQueriesAtOnce(atOnce);
  const auto start = std::chrono::steady_clock::now();
  estimate.start(references, references.size());
  while (estimate.running()) {
    if (const auto event = queue->next(std::chrono::milliseconds(100))) {
      estimate.handleEvent(event->code, event->data);
    }
  }
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
          estimate.totals()};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: estimate_bench PAGES [ROUNDS]\n", stderr);
    return 2;
  }
  const int pages = std::atoi(argv[1]);
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 1;
  std::vector<std::string> references;
  for (int i = 0; i < pages; ++i) {
    char reference[32];
    std::snprintf(reference, sizeof reference, "004010312_%05d", i % kFilmPages + 1);
    references.emplace_back(reference);
  }
  CurlGlobal curl;
  TransferEngine engine{curl, caBundleFile()};
  double serial = std::numeric_limits<double>::max();
  double parallel = std::numeric_limits<double>::max();
  // Once untimed, so the server has made every page before either is measured.
  timedEstimate(engine, references, kEstimateQueriesAtOnce);
  for (int round = 0; round < rounds; ++round) {
    const Outcome one = timedEstimate(engine, references, 1);
    const Outcome four = timedEstimate(engine, references, kEstimateQueriesAtOnce);
    if (one.totals.total != four.totals.total || four.totals.failures != 0 ||
        four.totals.examined != references.size()) {
      std::fputs("the two estimates differ or missed sizes\n", stderr);
      return 1;
    }
    serial = std::min(serial, one.seconds);
    parallel = std::min(parallel, four.seconds);
  }
  std::printf("%.3f %.3f %.3f\n", serial, parallel, parallel / serial);
  return 0;
}
