#include "platform/image.h"

#include <algorithm>
#include <new>

namespace korvalis {

Image::Image(int width, int height) {
  if (width < 1 || height < 1) {
    return;
  }
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  // No zero fill: decoders and operations write every pixel, and a 24-megapixel page would
  // otherwise be touched twice.
  pixels_.reset(new (std::nothrow) std::uint32_t[count]);
  if (pixels_) {
    width_ = width;
    height_ = height;
  }
}

Image::Image(const Image& other) : Image(other.width_, other.height_) {
  if (!isNull()) {
    std::copy_n(other.pixels_.get(), pixelCount(), pixels_.get());
  }
}

Image& Image::operator=(const Image& other) {
  if (this != &other) {
    Image copy(other);
    *this = std::move(copy);
  }
  return *this;
}

Image::Image(Image&& other) noexcept
    : width_(other.width_), height_(other.height_), pixels_(std::move(other.pixels_)) {
  other.width_ = 0;
  other.height_ = 0;
}

Image& Image::operator=(Image&& other) noexcept {
  width_ = other.width_;
  height_ = other.height_;
  pixels_ = std::move(other.pixels_);
  other.width_ = 0;
  other.height_ = 0;
  return *this;
}

Image Image::filled(int width, int height, std::uint32_t value) {
  Image image(width, height);
  if (!image.isNull()) {
    std::fill_n(image.pixels_.get(), image.pixelCount(), value);
  }
  return image;
}

bool Image::operator==(const Image& other) const {
  if (width_ != other.width_ || height_ != other.height_) {
    return false;
  }
  if (isNull() || other.isNull()) {
    return isNull() == other.isNull();
  }
  return std::equal(pixels_.get(), pixels_.get() + pixelCount(), other.pixels_.get());
}

}  // namespace korvalis
