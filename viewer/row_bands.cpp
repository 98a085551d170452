#include "viewer/row_bands.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace korvalis {

void forEachBand(std::size_t count, std::size_t minPerBand,
                 const std::function<void(std::size_t first, std::size_t last)>& work) {
  constexpr std::size_t kMaxBands = 4;
  const std::size_t cores = std::max(1U, std::thread::hardware_concurrency());
  const std::size_t bySize = minPerBand == 0 ? count : count / minPerBand;
  const std::size_t bands = std::min({cores, kMaxBands, std::max<std::size_t>(bySize, 1)});
  if (bands < 2) {
    work(0, count);
    return;
  }
  const auto bandStart = [&](std::size_t band) { return count * band / bands; };
  std::vector<std::jthread> workers;
  workers.reserve(bands - 1);
  for (std::size_t band = 1; band < bands; ++band) {
    try {
      workers.emplace_back(work, bandStart(band), bandStart(band + 1));
    } catch (const std::system_error&) {
      // No thread to be had: this thread does the remaining bands itself.
      work(bandStart(band), count);
      break;
    }
  }
  work(0, bandStart(1));
  // The jthreads join here, before the results are used.
}

}  // namespace korvalis
