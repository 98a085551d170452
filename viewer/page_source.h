// What "Seite speichern" and the PDF export take from the page viewer, as plain values.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/image.h"

namespace korvalis {

/// The shown page as the save command and the PDF export see it. Borrowed: the bytes and
/// images must stay unchanged for the duration of the call that receives the source.
struct PageSource {
  /// The page file exactly as it was downloaded; none for a page opened from a file or pasted.
  /// Turning or post-processing the page does not change them.
  std::optional<std::span<const std::uint8_t>> keptBytes;
  /// The full-resolution page image (turned and post-processed as shown).
  const Image* pageImage = nullptr;
  /// The display image: the cut-out at full resolution in crop view, the zoomed copy in zoom
  /// mode.
  const Image* displayImage = nullptr;
  /// "Zoom" or "Ausschnitt" is pressed: the display image is what gets written.
  bool zoomOrCrop = false;

  /// The image to encode when the kept bytes are not written: the display image with a zoom
  /// or crop toggle pressed, otherwise the page image. Null when that image does not exist.
  const Image* imageToEncode() const {
    const Image* image = zoomOrCrop ? displayImage : pageImage;
    return image != nullptr && !image->isNull() ? image : nullptr;
  }
  /// The kept bytes are what gets written (or embedded) unchanged.
  bool writesKeptBytes() const { return !zoomOrCrop && keptBytes.has_value(); }
};

}  // namespace korvalis
