// TIFF reading with libtiff from memory, through its RGBA interface (any layout and depth).
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

#include "viewer/codec_formats.h"

namespace korvalis {
namespace {

/// A read-only file in memory for TIFFClientOpen.
struct MemoryFile {
  std::span<const std::uint8_t> bytes;
  toff_t position = 0;
};

tsize_t readProc(thandle_t handle, tdata_t buffer, tsize_t size) {
  auto* file = static_cast<MemoryFile*>(handle);
  if (size <= 0 || file->position >= file->bytes.size()) {
    return 0;
  }
  const auto count =
      std::min<toff_t>(static_cast<toff_t>(size), file->bytes.size() - file->position);
  std::memcpy(buffer, file->bytes.data() + file->position, count);
  file->position += count;
  return static_cast<tsize_t>(count);
}

tsize_t writeProc(thandle_t, tdata_t, tsize_t) {
  return 0;
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence) {
  auto* file = static_cast<MemoryFile*>(handle);
  toff_t base = 0;
  if (whence == SEEK_CUR) {
    base = file->position;
  } else if (whence == SEEK_END) {
    base = file->bytes.size();
  }
  file->position = base + offset;
  return file->position;
}

int closeProc(thandle_t) {
  return 0;
}
toff_t sizeProc(thandle_t handle) {
  return static_cast<MemoryFile*>(handle)->bytes.size();
}
int mapProc(thandle_t, tdata_t*, toff_t*) {
  return 0;
}
void unmapProc(thandle_t, tdata_t, toff_t) {}

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

/// libtiff prints its messages on standard error by default; the viewer reports failures
/// itself, so they are silenced once.
void silenceLibtiff() {
  static std::once_flag once;
  std::call_once(once, [] {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
  });
}

}  // namespace

DecodeResult decodeTiff(std::span<const std::uint8_t> bytes) {
  silenceLibtiff();
  DecodeResult result;
  MemoryFile file{bytes, 0};
  const std::unique_ptr<TIFF, TiffCloser> tiff(TIFFClientOpen("memory", "rm", &file, readProc,
                                                              writeProc, seekProc, closeProc,
                                                              sizeProc, mapProc, unmapProc));
  if (!tiff) {
    result.error = "TIFF: not a readable TIFF file";
    return result;
  }
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
  if (!acceptableSize(width, height)) {
    result.error = "TIFF: missing or too large image size";
    return result;
  }
  Image image(static_cast<int>(width), static_cast<int>(height));
  if (image.isNull()) {
    result.error = "TIFF: out of memory";
    return result;
  }
  // The RGBA reader writes words with red in the low byte; swapped to blue first below.
  if (TIFFReadRGBAImageOriented(tiff.get(), width, height, image.pixels().data(),
                                ORIENTATION_TOPLEFT, 1) == 0) {
    result.error = "TIFF: damaged or unsupported image data";
    return result;
  }
  for (std::uint32_t& p : image.pixels()) {
    const int a = static_cast<int>(TIFFGetA(p));
    const auto over = [a](int c) { return (c * a + 255 * (255 - a) + 127) / 255; };
    p = makePixel(over(static_cast<int>(TIFFGetR(p))), over(static_cast<int>(TIFFGetG(p))),
                  over(static_cast<int>(TIFFGetB(p)))) |
        0xFF000000U;
  }
  result.image = std::move(image);
  return result;
}

}  // namespace korvalis
