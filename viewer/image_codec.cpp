#include "viewer/image_codec.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "platform/file_io.h"
#include "viewer/codec_formats.h"

namespace korvalis {
namespace {

bool startsWith(std::span<const std::uint8_t> bytes, std::string_view magic) {
  return bytes.size() >= magic.size() &&
         std::equal(magic.begin(), magic.end(), bytes.begin(),
                    [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

std::uint32_t readBe32(std::span<const std::uint8_t> b, std::size_t at) {
  return (static_cast<std::uint32_t>(b[at]) << 24) | (static_cast<std::uint32_t>(b[at + 1]) << 16) |
         (static_cast<std::uint32_t>(b[at + 2]) << 8) | b[at + 3];
}

}  // namespace

ImageFormat detectImageFormat(std::span<const std::uint8_t> bytes) {
  if (startsWith(bytes, "\xFF\xD8\xFF")) {
    return ImageFormat::Jpeg;
  }
  if (startsWith(bytes, "\x89PNG\r\n\x1A\n")) {
    return ImageFormat::Png;
  }
  if (startsWith(bytes, std::string_view("II*\0", 4)) ||
      startsWith(bytes, std::string_view("MM\0*", 4))) {
    return ImageFormat::Tiff;
  }
  if (startsWith(bytes, "BM")) {
    return ImageFormat::Bmp;
  }
  return ImageFormat::Unknown;
}

DecodeResult decodeImage(std::span<const std::uint8_t> bytes) {
  switch (detectImageFormat(bytes)) {
    case ImageFormat::Jpeg:
      return decodeJpeg(bytes);
    case ImageFormat::Png:
      return decodePng(bytes);
    case ImageFormat::Tiff:
      return decodeTiff(bytes);
    case ImageFormat::Bmp:
      return decodeBmp(bytes);
    case ImageFormat::Unknown:
      break;
  }
  return DecodeResult{{}, bytes.empty() ? "no data" : "not a JPEG, PNG, TIFF or BMP image"};
}

DecodeResult decodeImageFile(const std::filesystem::path& path) {
  const std::optional<std::vector<std::uint8_t>> bytes = readWholeFileBytes(path);
  if (!bytes) {
    return DecodeResult{{}, "cannot read " + path.string()};
  }
  return decodeImage(*bytes);
}

std::optional<ImageDimensions> readImageDimensions(std::span<const std::uint8_t> bytes) {
  switch (detectImageFormat(bytes)) {
    case ImageFormat::Jpeg:
      return jpegDimensions(bytes);
    case ImageFormat::Png:
      if (bytes.size() >= 24) {
        return ImageDimensions{static_cast<int>(readBe32(bytes, 16) & 0x7FFFFFFF),
                               static_cast<int>(readBe32(bytes, 20) & 0x7FFFFFFF)};
      }
      return std::nullopt;
    default:
      break;
  }
  // TIFF and BMP are decoded in full; they are not the formats of large received pages.
  const DecodeResult decoded = decodeImage(bytes);
  if (!decoded.ok()) {
    return std::nullopt;
  }
  return ImageDimensions{decoded.image.width(), decoded.image.height()};
}

std::optional<SaveType> saveTypeForPath(const std::filesystem::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ext == ".bmp") {
    return SaveType::Bmp;
  }
  if (ext == ".jpg" || ext == ".jpeg") {
    return SaveType::Jpeg;
  }
  if (ext == ".png") {
    return SaveType::Png;
  }
  return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> encodeImage(const Image& image, SaveType type,
                                                     const EncoderSettings& settings) {
  switch (type) {
    case SaveType::Bmp:
      return encodeBmp(image, settings.depth);
    case SaveType::Jpeg:
      return encodeJpeg(image, settings.quality);
    case SaveType::Png:
      return encodePng(image, settings.depth);
  }
  return std::nullopt;
}

bool saveImageFile(const Image& image, const std::filesystem::path& path, SaveType type,
                   const EncoderSettings& settings, std::string* error) {
  const std::optional<std::vector<std::uint8_t>> bytes = encodeImage(image, type, settings);
  if (!bytes) {
    if (error != nullptr) {
      *error = "the image cannot be encoded";
    }
    return false;
  }
  if (!writeFileAtomically(path, std::span<const std::uint8_t>(*bytes))) {
    if (error != nullptr) {
      *error = "cannot write " + path.string();
    }
    return false;
  }
  return true;
}

}  // namespace korvalis
