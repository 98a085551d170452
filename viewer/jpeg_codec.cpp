// JPEG reading and writing with libjpeg(-turbo), decoding straight into the 32-bit layout.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

// jpeglib.h needs size_t and FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

#include "viewer/codec_formats.h"
#include "viewer/image_memory.h"

namespace korvalis {
namespace {

/// libjpeg reports fatal errors through error_exit, which must not return: it jumps back to
/// the setjmp of the running operation. A premature end of data is only a warning to libjpeg
/// (it pads the rest with grey); a page cut off in transfer is refused instead.
struct ErrorManager {
  jpeg_error_mgr pub{};
  std::jmp_buf jump{};
  char message[JMSG_LENGTH_MAX] = {};
  bool truncated = false;
};

[[noreturn]] void onError(j_common_ptr info) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, err->message);
  std::longjmp(err->jump, 1);
}

void onMessage(j_common_ptr info, int level) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) {
    err->truncated = true;
  }
}

struct DecodeState {
  ErrorManager err;
  jpeg_decompress_struct info{};
  Image image;
  bool created = false;
  ~DecodeState() {
    if (created) {
      jpeg_destroy_decompress(&info);
    }
  }
};

void setUpErrors(ErrorManager& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = onError;
  err.pub.emit_message = onMessage;
}

/// Reads the header; false when the data holds no JPEG frame.
bool readHeader(DecodeState& state, std::span<const std::uint8_t> bytes) {
  jpeg_create_decompress(&state.info);
  state.created = true;
  jpeg_mem_src(&state.info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  return jpeg_read_header(&state.info, TRUE) == JPEG_HEADER_OK;
}

/// Decodes all rows into state.image; any libjpeg error jumps out of here.
bool decodeRows(DecodeState& state) {
  jpeg_decompress_struct& info = state.info;
  if (!acceptableSize(info.image_width, info.image_height)) {
    std::snprintf(state.err.message, sizeof state.err.message, "image too large");
    return false;
  }
  info.out_color_space = JCS_EXT_BGRX;
  if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
    info.out_color_space = JCS_CMYK;  // converted below; libjpeg does not do it
  }
  jpeg_start_decompress(&info);
  state.image =
      allocateImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
  if (state.image.isNull()) {
    std::snprintf(state.err.message, sizeof state.err.message, "out of memory");
    return false;
  }
  while (info.output_scanline < info.output_height) {
    auto* row = reinterpret_cast<JSAMPLE*>(state.image.row(static_cast<int>(info.output_scanline)));
    JSAMPROW rows[1] = {row};
    jpeg_read_scanlines(&info, rows, 1);
  }
  if (info.out_color_space == JCS_CMYK) {
    // Adobe CMYK JPEGs store inverted values: each channel times K gives the colour.
    for (std::uint32_t& p : state.image.pixels()) {
      std::uint8_t b[4];
      std::memcpy(b, &p, 4);
      const int k = b[3];
      p = makePixel(b[0] * k / 255, b[1] * k / 255, b[2] * k / 255);
    }
  }
  jpeg_finish_decompress(&info);
  return !state.err.truncated;
}

}  // namespace

DecodeResult decodeJpeg(std::span<const std::uint8_t> bytes) {
  DecodeResult result;
  const auto state = std::make_unique<DecodeState>();
  state->info.err = &state->err.pub;
  setUpErrors(state->err);
  if (setjmp(state->err.jump) != 0) {
    result.error = std::string("JPEG: ") + state->err.message;
    return result;
  }
  if (!readHeader(*state, bytes)) {
    result.error = "JPEG: no image in the data";
    return result;
  }
  if (!decodeRows(*state)) {
    result.error = state->err.truncated ? std::string("JPEG: the data ends early")
                                        : std::string("JPEG: ") + state->err.message;
    return result;
  }
  result.image = std::move(state->image);
  return result;
}

std::optional<ImageDimensions> jpegDimensions(std::span<const std::uint8_t> bytes) {
  const auto state = std::make_unique<DecodeState>();
  state->info.err = &state->err.pub;
  setUpErrors(state->err);
  if (setjmp(state->err.jump) != 0) {
    return std::nullopt;
  }
  if (!readHeader(*state, bytes)) {
    return std::nullopt;
  }
  return ImageDimensions{static_cast<int>(state->info.image_width),
                         static_cast<int>(state->info.image_height)};
}

namespace {

struct EncodeState {
  ErrorManager err;
  jpeg_compress_struct info{};
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  bool created = false;
  ~EncodeState() {
    if (created) {
      jpeg_destroy_compress(&info);
    }
    std::free(buffer);  // allocated by libjpeg's memory destination with malloc
  }
};

}  // namespace

std::optional<std::vector<std::uint8_t>> encodeJpeg(const Image& image, int quality) {
  if (image.isNull()) {
    return std::nullopt;
  }
  const auto state = std::make_unique<EncodeState>();
  state->info.err = &state->err.pub;
  setUpErrors(state->err);
  if (setjmp(state->err.jump) != 0) {
    return std::nullopt;
  }
  jpeg_create_compress(&state->info);
  state->created = true;
  jpeg_mem_dest(&state->info, &state->buffer, &state->size);
  state->info.image_width = static_cast<JDIMENSION>(image.width());
  state->info.image_height = static_cast<JDIMENSION>(image.height());
  state->info.input_components = 4;
  state->info.in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(&state->info);
  // Quality 0..10 becomes the standard scale 0..100; tables are not limited to baseline.
  const int q = quality < 0 ? 0 : quality > 10 ? 10 : quality;
  jpeg_set_quality(&state->info, q * 10, FALSE);
  jpeg_start_compress(&state->info, TRUE);
  while (state->info.next_scanline < state->info.image_height) {
    const std::uint32_t* row = image.row(static_cast<int>(state->info.next_scanline));
    // libjpeg takes non-const rows but only reads them when compressing.
    JSAMPROW rows[1] = {reinterpret_cast<JSAMPLE*>(const_cast<std::uint32_t*>(row))};
    jpeg_write_scanlines(&state->info, rows, 1);
  }
  jpeg_finish_compress(&state->info);
  return std::vector<std::uint8_t>(state->buffer, state->buffer + state->size);
}

}  // namespace korvalis
