#include "platform/cp1252.h"

#include <gtest/gtest.h>

namespace korvalis {
namespace {

TEST(Cp1252, EveryByteSurvivesTheRoundTripThroughUtf8) {
  std::string all;
  for (int b = 1; b < 256; ++b) {
    all.push_back(static_cast<char>(b));
  }
  const auto back = utf8ToCp1252(cp1252ToUtf8(all));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, all);
}

TEST(Cp1252, GermanLettersAndTheEuroSign) {
  EXPECT_EQ(cp1252ToUtf8("\xE4\xD6\xDF\x80"), "\u00E4\u00D6\u00DF\u20AC");
  EXPECT_EQ(utf8ToCp1252("\u20AC \u0160"), std::string("\x80 \x8A"));
}

TEST(Cp1252, CharactersOutsideTheTableAreRefused) {
  EXPECT_FALSE(utf8ToCp1252("\u4E2D").has_value());             // CJK
  EXPECT_FALSE(utf8ToCp1252(std::string("\xC3")).has_value());  // cut sequence
  EXPECT_FALSE(utf8ToCp1252(std::string("\xFF")).has_value());  // not UTF-8
}

TEST(Cp1252, LossyConversionMarksWhatItCannotHold) {
  EXPECT_EQ(utf8ToCp1252Lossy("K\u00f6slin \u20AC"), "K\xF6slin \x80");
  EXPECT_EQ(utf8ToCp1252Lossy("a\u4E2Db\U0001F600c"), "a?b?c");
  EXPECT_EQ(utf8ToCp1252Lossy(std::string("x\xFFy\xC3")), "x?y?");  // broken, then cut
}

TEST(Cp1252, LowerCaseMapping) {
  EXPECT_EQ(cp1252LowerText("ABC\xC4\xD6\xDC\xD7\x8A\x8C\x8E\x9F\xDF"),
            std::string("abc\xE4\xF6\xFC\xD7\x9A\x9C\x9E\xFF\xDF"));
}

}  // namespace
}  // namespace korvalis
