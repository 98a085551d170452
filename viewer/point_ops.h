#pragma once

#include <string>

#include "platform/image.h"

namespace korvalis {

// Point operations of the post-processing window. Each works on the whole image in place and
// returns true when it changed the image; false (image untouched) for a null image or a
// parameter outside its range. Every pixel is written back with the fourth byte 0, except by
// invertImage, which inverts all four bytes.

bool invertImage(Image& image);
/// White where R + 256 G + 65536 B exceeds t + 256 t + 65536 t, black elsewhere.
bool monochromeImage(Image& image, int threshold);
/// Per-channel histogram equalisation towards an even target histogram.
bool equaliseImage(Image& image);
/// Adds `offset` (-255..255) to every channel.
bool brightnessImage(Image& image, int offset);
/// Contrast with k in -255..255 (single-precision factor).
bool contrastImage(Image& image, float k);
/// Gamma with 0 < gamma < 8.
bool gammaImage(Image& image, double gamma);

/// The functions of the window's list, by their list index.
enum class PointOp { None = 0, Invert, Monochrome, Equalise, Brightness, Contrast, Gamma };

/// Slider of a function: hidden for functions without parameter.
struct SliderSetting {
  bool visible = false;
  int minimum = 0;
  int maximum = 0;
  int initial = 0;
};
SliderSetting sliderSetting(PointOp op);

/// The value field's text for a slider position ("1.00" style for gamma).
std::string valueFieldText(PointOp op, int sliderValue);

/// The parameter a slider position stands for (threshold, offset, k or gamma).
double parameterForSlider(PointOp op, int sliderValue);

/// Applies one function with its parameter; false when nothing was done.
bool applyPointOp(Image& image, PointOp op, double parameter);

/// The reduced copy for the preview: scale s = larger of width / previewWidth and
/// height / previewHeight, new size = size / s rounded (at least 1 x 1).
Image previewCopy(const Image& page, int previewWidth, int previewHeight);

}  // namespace korvalis
