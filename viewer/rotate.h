#pragma once

#include <functional>

#include "platform/image.h"

namespace korvalis {

/// Called with the percentage of result rows done while rotating.
using RotateProgress = std::function<void(int percent)>;

/// Turns an image by a multiple of 90 degrees, copying every pixel word exactly. The angle is
/// taken modulo 360: +90 (and -270) is a quarter turn counter-clockwise (the old top-right
/// corner becomes the top-left corner), -90 (and +270) clockwise, 180 a half turn; 0 gives an
/// unchanged copy. Angles that are no multiple of 90 and null images give a null image.
/// The progress callback sees 1 first, then row x 100 / new height, and 0 at the end.
Image rotateImage(const Image& image, int angle, const RotateProgress& progress = {});

}  // namespace korvalis
