#include "app/display_scale.h"

#include <cmath>

namespace korvalis {

int messageFontSize(int fontHeight) {
  return -fontHeight - 3;
}

float scaleForFontSize(int size) {
  if (size >= 8 && size <= 9) {
    return 1.0F;
  }
  if (size >= 10 && size <= 12) {
    return 1.25F;
  }
  if (size >= 13 && size <= 20) {
    return 1.5F;
  }
  return 1.0F;
}

float scaleForDpi(double dpi) {
  return dpi >= 1.0 ? static_cast<float>(dpi / 96.0) : 1.0F;
}

DisplayScale computeDisplayScale(const DisplayInfo& info, ScaleRule rule) {
  DisplayScale result;
  if (rule == ScaleRule::FontSize) {
    if (info.messageFontFace.empty() || info.messageFontHeight == 0) {
      return result;
    }
    const int size = messageFontSize(info.messageFontHeight);
    result.fontFace = info.messageFontFace;
    result.fontPointSize = size;
    result.scaleX = scaleForFontSize(size);
    result.scaleY = result.scaleX;
    return result;
  }
  result.scaleX = scaleForDpi(info.dpiX);
  result.scaleY = scaleForDpi(info.dpiY);
  if (!info.messageFontFace.empty()) {
    result.fontFace = info.messageFontFace;
    result.fontPointSize = 9;
  }
  return result;
}

int scaled(int base, float scale) {
  return static_cast<int>(std::lround(static_cast<double>(base) * scale));
}

}  // namespace korvalis
