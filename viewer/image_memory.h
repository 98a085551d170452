#pragma once

#include "platform/image.h"

namespace korvalis {

/// An image of the given size with undefined pixels, like Image(width, height); from 8 MB on
/// the kernel is asked to back its pixels with huge pages. A page of 24 megapixels is 96 MB;
/// touching it first in 4 KB pages costs tens of thousands of page faults, which for a decoder
/// or a rotation takes about as long as the work itself. Null when the memory is not there.
Image allocateImage(int width, int height);

}  // namespace korvalis
