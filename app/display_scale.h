#pragma once

#include <string>

#include "platform/platform.h"

namespace korvalis {

/// How the display scale is chosen: from the message font's size (the older platform
/// generation) or from the screen resolution (every newer one; what the program uses on
/// Linux).
enum class ScaleRule { FontSize, Resolution };

/// The scales and default control font the start-up chooses.
struct DisplayScale {
  float scaleX = 1.0F;
  float scaleY = 1.0F;
  std::string fontFace;   ///< default font of the controls (UTF-8); "" keeps the toolkit's
  int fontPointSize = 0;  ///< its size in points; 0 with an empty face
};

/// The message font's size from its height in logical units: -height - 3.
int messageFontSize(int fontHeight);

/// The scale for a message font size: 8-9 give 1.0, 10-12 give 1.25, 13-20 give 1.5, any
/// other size 1.0.
float scaleForFontSize(int size);

/// The scale for a resolution in dots per inch: dpi / 96; 1.0 when the value is below 1
/// (the resolution could not be read).
float scaleForDpi(double dpi);

/// Chooses scales and default font from what the platform reports. FontSize: no face or
/// height 0 keeps 1.0 and the toolkit's font; otherwise the face at the computed size.
/// Resolution: each scale from its resolution, the face at size 9.
DisplayScale computeDisplayScale(const DisplayInfo& info, ScaleRule rule);

/// A base pixel size times a scale, rounded to the nearest integer.
int scaled(int base, float scale);

}  // namespace korvalis
