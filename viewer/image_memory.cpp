#include "viewer/image_memory.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace korvalis {
namespace {

/// Below this size the hint is not worth a system call.
constexpr std::size_t kHintBytes = std::size_t{8} << 20;

void adviseHugePages([[maybe_unused]] Image& image) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (image.isNull() || image.byteCount() < kHintBytes) {
    return;
  }
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pageSize <= 0) {
    return;
  }
  const auto page = static_cast<std::uintptr_t>(pageSize);
  const auto begin = reinterpret_cast<std::uintptr_t>(image.pixels().data());
  const std::uintptr_t first = (begin + page - 1) / page * page;
  const std::uintptr_t last = (begin + image.byteCount()) / page * page;
  if (last > first) {
    // Only a hint: when the kernel has no huge pages to give, the memory works as before.
    (void)madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
  }
#endif
}

}  // namespace

Image allocateImage(int width, int height) {
  Image image(width, height);
  adviseHugePages(image);
  return image;
}

}  // namespace korvalis
