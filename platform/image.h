#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace korvalis {

/// A page image in memory: 32-bit pixel words holding blue, green, red and a fourth byte
/// (the memory layout of QImage::Format_RGB32, so the UI can wrap the pixels without a copy).
/// Rows are stored top to bottom without padding. A default-constructed image is null.
class Image {
 public:
  Image() = default;
  /// An image of the given size with undefined pixel values; null when a side is below 1 or
  /// the pixels cannot be allocated.
  Image(int width, int height);
  Image(const Image& other);
  Image& operator=(const Image& other);
  Image(Image&& other) noexcept;
  Image& operator=(Image&& other) noexcept;
  ~Image() = default;

  /// An image of the given size with every pixel word set to `value`.
  static Image filled(int width, int height, std::uint32_t value);

  int width() const { return width_; }
  int height() const { return height_; }
  bool isNull() const { return pixels_ == nullptr; }
  std::size_t pixelCount() const {
    return static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
  }
  std::size_t byteCount() const { return pixelCount() * 4; }

  std::uint32_t* row(int y) { return pixels_.get() + static_cast<std::size_t>(y) * width_; }
  const std::uint32_t* row(int y) const {
    return pixels_.get() + static_cast<std::size_t>(y) * width_;
  }
  std::span<std::uint32_t> pixels() { return {pixels_.get(), pixelCount()}; }
  std::span<const std::uint32_t> pixels() const { return {pixels_.get(), pixelCount()}; }

  std::uint32_t pixel(int x, int y) const { return row(y)[x]; }
  void setPixel(int x, int y, std::uint32_t value) { row(y)[x] = value; }

  bool operator==(const Image& other) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::unique_ptr<std::uint32_t[]> pixels_;
};

/// Packs channels into a pixel word (fourth byte 0).
constexpr std::uint32_t makePixel(int red, int green, int blue) {
  return (static_cast<std::uint32_t>(red) << 16) | (static_cast<std::uint32_t>(green) << 8) |
         static_cast<std::uint32_t>(blue);
}
constexpr int pixelRed(std::uint32_t p) {
  return static_cast<int>((p >> 16) & 0xFF);
}
constexpr int pixelGreen(std::uint32_t p) {
  return static_cast<int>((p >> 8) & 0xFF);
}
constexpr int pixelBlue(std::uint32_t p) {
  return static_cast<int>(p & 0xFF);
}

}  // namespace korvalis
