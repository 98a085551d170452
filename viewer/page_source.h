// What "Seite speichern", the PDF export and printing take from the page viewer: a snapshot of
// the shown page that stays valid, whatever page arrives while a dialog is open.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/image.h"

namespace korvalis {

/// The bytes of a downloaded page as the archive sent them, shared read-only.
using PageBytes = std::shared_ptr<const std::vector<std::uint8_t>>;
/// A page image shared read-only: a new page, a turn or a post-processing step makes a new
/// one, so whoever holds this pointer keeps the image it took.
using SharedImage = std::shared_ptr<const Image>;

/// The archive's identity of a page: its film and page, and its APID where it was looked up.
struct PageIdentity {
  std::string id;    ///< nine-character film ID text; empty: the page has no identity
  std::string page;  ///< five-character page text
  std::string apid;  ///< empty when not known
  bool empty() const { return id.empty(); }
};

/// The shown page at the moment a command started. Owns what it refers to: a page that
/// arrives afterwards replaces the viewer's pointers, never these.
struct PageSource {
  /// The page file exactly as it was downloaded; null for a page opened from a file or pasted.
  /// Turning or post-processing the page does not change them.
  PageBytes keptBytes;
  /// The full-resolution page image (turned and post-processed as shown).
  SharedImage pageImage;
  /// The display image: the cut-out at full resolution in crop view, the zoomed copy in zoom
  /// mode.
  SharedImage displayImage;
  /// "Zoom" or "Ausschnitt" is pressed: the display image is what gets written.
  bool zoomOrCrop = false;

  /// The image to encode when the kept bytes are not written: the display image with a zoom
  /// or crop toggle pressed, otherwise the page image. Null when that image does not exist.
  const Image* imageToEncode() const {
    const Image* image = zoomOrCrop ? displayImage.get() : pageImage.get();
    return image != nullptr && !image->isNull() ? image : nullptr;
  }
  /// The kept bytes are what gets written (or embedded) unchanged.
  bool writesKeptBytes() const { return !zoomOrCrop && keptBytes != nullptr; }
};

/// A shared read-only copy of `bytes`.
inline PageBytes makePageBytes(std::vector<std::uint8_t> bytes) {
  return std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
}

/// A shared read-only image made from `image`.
inline SharedImage makeSharedImage(Image image) {
  return std::make_shared<const Image>(std::move(image));
}

}  // namespace korvalis
