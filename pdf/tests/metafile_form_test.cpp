// Placeable metafiles made by the test, converted into form content.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/metafile/metafile_form.h"
#include "pdf/tests/metafile_builder.h"

namespace korvalis {
namespace {

// A red solid brush: style 0, COLORREF r g b 0 as two 16-bit words, hatch 0.
constexpr int redLow = 0x00FF;
// A dashed blue pen of width 2: style 1, width (2, 0), COLORREF 0 0 255 0.
MetafileBuilder& addObjects(MetafileBuilder& b) {
  b.record(0x02FC, {0, redLow, 0, 0});
  b.record(0x02FA, {1, 2, 0, 0x0000, 0x00FF});
  return b;
}

TEST(MetafileForm, WindowBoxObjectsAndPaintOperators) {
  MetafileBuilder b;
  b.record(0x020B, {-20, 10});   // window origin y, x
  b.record(0x020C, {400, 800});  // window extent y, x
  addObjects(b);
  b.record(0x041B, {50, 60, 5, 6});  // rectangle with no pen or brush selected
  b.record(0x012D, {0});             // brush
  b.record(0x0324, {3, 0, 0, 100, 0, 50, 80});
  b.record(0x012D, {1});  // pen
  b.record(0x0106, {1});  // even-odd filling
  b.record(0x041B, {50, 60, 5, 6});
  b.record(0x0325, {2, 0, 0, 10, 10});
  b.record(0x01F0, {0});           // delete the brush: the slot is free again
  b.record(0x02FC, {1, 0, 0, 0});  // a hollow brush takes slot 0
  b.record(0x012D, {0});
  b.record(0x0538, {2, 3, 3, 0, 0, 10, 0, 10, 10, 20, 20, 30, 20, 30, 30});
  b.record(0x0214, {7, 3});                             // move to (3, 7)
  b.record(0x0213, {9, 4});                             // line to (4, 9)
  b.record(0x0817, {-10, 0, 0, 10, 10, 10, -10, -10});  // quarter arc from (10,0) to (0,-10)
  b.record(0x0626, {1, 2, 3});                          // escape: skipped
  const auto form = MetafileForm::convert(b.finish(), 2.0);
  ASSERT_TRUE(form);
  EXPECT_EQ(form->boxX, 10);
  EXPECT_EQ(form->boxY, -20);
  EXPECT_EQ(form->width, 800);
  EXPECT_EQ(form->height, 400);
  const std::string expected =
      "6 5 54 45 re\nn\n"
      "1.000 0.000 0.000 rg\n"
      "0 0 m\n100 0 l\n50 80 l\nf\n"
      "[120.000 40.000] 0 d\n0.000 0.000 1.000 RG\n4.00 w\n"
      "6 5 54 45 re\nb*\n"
      "0 0 m\n10 10 l\nS\n"
      "0.000 0.000 0.000 rg\n"
      "0 0 m\n10 0 l\n10 10 l\n20 20 m\n30 20 l\n30 30 l\ns\n"
      "3 7 m\n4 9 l\nS\n";
  ASSERT_GE(form->content.size(), expected.size());
  EXPECT_EQ(form->content.substr(0, expected.size()), expected);
  // The arc runs counter-clockwise as seen on the page (y grows downwards): from the right
  // to the top of the circle is one quarter segment, stroked.
  EXPECT_EQ(form->content.substr(expected.size()),
            "10.00 0.00 m\n10.00 -5.52 5.52 -10.00 0.00 -10.00 c\nS\n");
}

TEST(MetafileForm, HeaderBoxWithoutWindowRecords) {
  MetafileBuilder b;
  b.record(0x0213, {1, 1});
  const auto form = MetafileForm::convert(b.finish(), 1.0);
  ASSERT_TRUE(form);
  EXPECT_EQ(form->width, 1000);
  EXPECT_EQ(form->height, 500);
}

TEST(MetafileForm, DamagedInputFails) {
  EXPECT_FALSE(MetafileForm::convert({}, 1.0));
  MetafileBuilder good;
  auto valid = good.finish();
  ASSERT_TRUE(MetafileForm::convert(valid, 1.0));
  auto badKey = valid;
  badKey[0] = 0;
  EXPECT_FALSE(MetafileForm::convert(badKey, 1.0));
  const std::vector<std::uint8_t> headerOnly(valid.begin(), valid.begin() + 30);
  EXPECT_FALSE(MetafileForm::convert(headerOnly, 1.0));

  MetafileBuilder longRecord;
  longRecord.record(0x020C, {10, 10});
  auto tooLong = longRecord.data();
  tooLong[40] = 0xFF;  // the record's size runs past the end
  EXPECT_FALSE(MetafileForm::convert(tooLong, 1.0));

  MetafileBuilder polygon;
  polygon.record(0x020C, {10, 10}).record(0x0324, {200, 1, 2});  // 200 points announced
  EXPECT_FALSE(MetafileForm::convert(polygon.finish(), 1.0));
  MetafileBuilder polyPolygon;
  polyPolygon.record(0x020C, {10, 10}).record(0x0538, {3, 100});
  EXPECT_FALSE(MetafileForm::convert(polyPolygon.finish(), 1.0));
  MetafileBuilder tinyRecord;
  tinyRecord.record(0x020C, {10, 10});
  auto tiny = tinyRecord.finish();
  tiny[40] = 1;  // a record shorter than its own header
  EXPECT_FALSE(MetafileForm::convert(tiny, 1.0));
  MetafileBuilder zeroBox;
  zeroBox.record(0x020C, {0, 10});
  EXPECT_FALSE(MetafileForm::convert(zeroBox.finish(), 1.0));
}

}  // namespace
}  // namespace korvalis
