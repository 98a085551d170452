#include <gtest/gtest.h>

#include "app/display_scale.h"

namespace korvalis {
namespace {

struct FontCase {
  int height;
  int size;
  float scale;
};

TEST(DisplayScale, FontSizeRule) {
  const FontCase cases[] = {
      {-11, 8, 1.0F},  {-12, 9, 1.0F},  {-13, 10, 1.25F}, {-15, 12, 1.25F}, {-16, 13, 1.5F},
      {-23, 20, 1.5F}, {-24, 21, 1.0F}, {-30, 27, 1.0F},  {-10, 7, 1.0F},
  };
  for (const FontCase& c : cases) {
    SCOPED_TRACE(c.height);
    EXPECT_EQ(messageFontSize(c.height), c.size);
    DisplayInfo info;
    info.messageFontFace = "Tahoma";
    info.messageFontHeight = c.height;
    const DisplayScale scale = computeDisplayScale(info, ScaleRule::FontSize);
    EXPECT_EQ(scale.scaleX, c.scale);
    EXPECT_EQ(scale.scaleY, c.scale);
    EXPECT_EQ(scale.fontFace, "Tahoma");
    EXPECT_EQ(scale.fontPointSize, c.size);
  }
  // An unreadable message font keeps the toolkit's font and the scale 1.0.
  const DisplayScale none = computeDisplayScale(DisplayInfo{96, 96, "", 0}, ScaleRule::FontSize);
  EXPECT_EQ(none.scaleX, 1.0F);
  EXPECT_EQ(none.fontFace, "");
}

TEST(DisplayScale, ResolutionRule) {
  DisplayInfo info{144.0, 144.0, "DejaVu Sans", -12};
  const DisplayScale high = computeDisplayScale(info, ScaleRule::Resolution);
  EXPECT_EQ(high.scaleX, 1.5F);
  EXPECT_EQ(high.scaleY, 1.5F);
  EXPECT_EQ(scaled(220, high.scaleX), 330);  // the tree's width
  EXPECT_EQ(high.fontFace, "DejaVu Sans");
  EXPECT_EQ(high.fontPointSize, 9);

  // Each axis on its own; an unreadable value (below 1) keeps 1.0.
  const DisplayScale mixed =
      computeDisplayScale(DisplayInfo{120.0, 0.5, "", 0}, ScaleRule::Resolution);
  EXPECT_EQ(mixed.scaleX, 1.25F);
  EXPECT_EQ(mixed.scaleY, 1.0F);
  EXPECT_EQ(mixed.fontPointSize, 0);

  // Sizes round to the nearest pixel.
  EXPECT_EQ(scaled(189, 1.25F), 236);
  EXPECT_EQ(scaled(81, 1.25F), 101);
  EXPECT_EQ(scaled(18, 1.0F), 18);
}

}  // namespace
}  // namespace korvalis
