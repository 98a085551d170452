#pragma once

#include <QImage>

#include "platform/image.h"

namespace korvalis {

/// A QImage (Format_RGB32) that shows the pixels of `image` without copying them. The image
/// must outlive the returned QImage and must not change while it is used; Qt copies the
/// pixels first if the QImage is written to. A null image gives a null QImage.
QImage wrapImage(const Image& image);

/// A QImage (Format_RGB32) holding its own copy of the pixels, for handing to Qt services
/// that keep the image (the clipboard). A null image, or a failed allocation, gives a null
/// QImage.
QImage toQImage(const Image& image);

/// The pixels of a QImage of any format as an Image (fourth byte 0); a null image when the
/// QImage is null or the pixels cannot be allocated.
Image fromQImage(const QImage& image);

}  // namespace korvalis
