#include "viewer/row_bands.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

namespace korvalis {
namespace {

TEST(RowBands, EveryIndexIsWorkedOnExactlyOnce) {
  // Counts below, at and above the band minimum, and ones that do not divide evenly.
  for (const std::size_t count : {0U, 1U, 99U, 100U, 199U, 200U, 201U, 1001U, 100'003U}) {
    std::vector<int> seen(count, 0);
    forEachBand(count, 100, [&](std::size_t first, std::size_t last) {
      ASSERT_LE(first, last);
      ASSERT_LE(last, count);
      for (std::size_t i = first; i < last; ++i) {
        ++seen[i];  // bands are disjoint, so no two threads write the same element
      }
    });
    for (std::size_t i = 0; i < count; ++i) {
      ASSERT_EQ(seen[i], 1) << "index " << i << " of " << count;
    }
  }
}

}  // namespace
}  // namespace korvalis
