#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/image.h"

namespace korvalis {

/// File formats the viewer reads; the writers cover BMP, JPEG and PNG.
enum class ImageFormat { Unknown, Jpeg, Png, Tiff, Bmp };

/// Recognises a format by the leading bytes of a file.
ImageFormat detectImageFormat(std::span<const std::uint8_t> bytes);

/// A decoded image or, when decoding failed, a one-line reason (English, for krv and logs).
struct DecodeResult {
  Image image;
  std::string error;
  bool ok() const { return !image.isNull(); }
};

/// Largest image the decoders accept (in pixels); bigger claims in a header are refused
/// before any pixel memory is allocated.
inline constexpr std::uint64_t kMaxDecodedPixels = 200'000'000;

/// Decodes JPEG, PNG, TIFF or BMP bytes into a 32-bit image. Damaged or truncated data gives
/// an error, never a partly decoded image.
DecodeResult decodeImage(std::span<const std::uint8_t> bytes);

/// Reads a whole file and decodes it.
DecodeResult decodeImageFile(const std::filesystem::path& path);

/// Width and height from the header without decoding the pixels (nothing for unknown data).
struct ImageDimensions {
  int width = 0;
  int height = 0;
};
std::optional<ImageDimensions> readImageDimensions(std::span<const std::uint8_t> bytes);

/// Encoder settings of the save command: colour depth in bits (1, 4, 8 or 24) and JPEG
/// quality 0..10 (passed to the encoder as 10 x quality).
struct EncoderSettings {
  int depth = 24;
  int quality = 7;
};

/// Output types of the save command.
enum class SaveType { Bmp, Jpeg, Png };

/// The save type for a file name by its extension (case-insensitive .bmp, .jpg/.jpeg, .png).
std::optional<SaveType> saveTypeForPath(const std::filesystem::path& path);

/// Encoders; each returns the file bytes, or nothing when the image is null or encoding
/// failed. Depths below 24 write a palette image of at most 2, 16 or 256 colours.
std::optional<std::vector<std::uint8_t>> encodeJpeg(const Image& image, int quality);
std::optional<std::vector<std::uint8_t>> encodePng(const Image& image, int depth);
std::optional<std::vector<std::uint8_t>> encodeBmp(const Image& image, int depth);
std::optional<std::vector<std::uint8_t>> encodeImage(const Image& image, SaveType type,
                                                     const EncoderSettings& settings);

/// Encodes and writes the image through a temporary file that is renamed into place, so a
/// failure never leaves a partly written file. Returns false with `error` set on failure.
bool saveImageFile(const Image& image, const std::filesystem::path& path, SaveType type,
                   const EncoderSettings& settings, std::string* error = nullptr);

}  // namespace korvalis
