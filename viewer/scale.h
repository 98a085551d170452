#pragma once

#include "platform/image.h"

namespace korvalis {

/// Smooth resampling to width x height: area averaging where the image shrinks, bilinear
/// interpolation where it grows. A null image or a side below 1 gives a null image.
Image scaleImage(const Image& image, int width, int height);

}  // namespace korvalis
