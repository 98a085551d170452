#pragma once

#include <cstddef>
#include <functional>

namespace korvalis {

/// Runs `work(first, last)` over the index range [0, count) split into contiguous bands, one
/// per processor core (at most four), the calling thread taking the first band; returns once
/// every band is done, so all writes of the workers are visible to the caller. Ranges
/// shorter than two bands of `minPerBand` run on the calling thread alone, as does
/// everything when no thread can be started. `work` must only write what belongs to its band.
void forEachBand(std::size_t count, std::size_t minPerBand,
                 const std::function<void(std::size_t first, std::size_t last)>& work);

}  // namespace korvalis
