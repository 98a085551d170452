// Test helper: page images whose pixels differ everywhere, so a turned, cut or re-encoded
// page is told apart from the original.
#pragma once

#include "platform/image.h"

namespace korvalis::testing {

inline Image gradientPage(int w, int h) {
  Image img(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      img.setPixel(x, y, makePixel((x * 5) & 0xFF, (y * 3) & 0xFF, (x + y) & 0xFF));
    }
  }
  return img;
}

}  // namespace korvalis::testing
