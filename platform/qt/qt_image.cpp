#include "platform/qt/qt_image.h"

#include <algorithm>
#include <cstdint>

namespace korvalis {

namespace {
// Qt expects the fourth byte of Format_RGB32 to be 0xFF; the core keeps it 0.
constexpr std::uint32_t kOpaque = 0xFF000000U;
constexpr std::uint32_t kColourBits = 0x00FFFFFFU;
}  // namespace

QImage wrapImage(const Image& image) {
  if (image.isNull()) {
    return {};
  }
  return QImage(reinterpret_cast<const uchar*>(image.row(0)), image.width(), image.height(),
                static_cast<qsizetype>(image.width()) * 4, QImage::Format_RGB32);
}

QImage toQImage(const Image& image) {
  if (image.isNull()) {
    return {};
  }
  QImage copy(image.width(), image.height(), QImage::Format_RGB32);
  if (copy.isNull()) {
    return {};
  }
  for (int y = 0; y < image.height(); ++y) {
    const std::uint32_t* source = image.row(y);
    auto* target = reinterpret_cast<std::uint32_t*>(copy.scanLine(y));
    std::transform(source, source + image.width(), target,
                   [](std::uint32_t p) { return p | kOpaque; });
  }
  return copy;
}

Image fromQImage(const QImage& image) {
  if (image.isNull()) {
    return {};
  }
  // 32-bit formats whose words already hold 0xAARRGGBB are read directly; others are
  // converted once.
  const bool direct =
      image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
  const QImage converted = direct ? image : image.convertToFormat(QImage::Format_RGB32);
  if (converted.isNull()) {
    return {};
  }
  Image result(converted.width(), converted.height());
  if (result.isNull()) {
    return {};
  }
  for (int y = 0; y < converted.height(); ++y) {
    const auto* source = reinterpret_cast<const std::uint32_t*>(converted.constScanLine(y));
    std::transform(source, source + converted.width(), result.row(y),
                   [](std::uint32_t p) { return p & kColourBits; });
  }
  return result;
}

}  // namespace korvalis
