#include "archive/page_address.h"

#include <gtest/gtest.h>

#include "archive/match_wildcard.h"

namespace korvalis {
namespace {

TEST(PageAddress, NumberTextsAndNames) {
  EXPECT_EQ(idText("4717830"), "004717830");
  EXPECT_EQ(pageText("1"), "00001");
  EXPECT_EQ(idText("123456789012"), "123456789");
  EXPECT_EQ(pageText(""), "00000");
  EXPECT_EQ(strippedIdText("0000004717830"), "004717830");  // padded after stripping
  EXPECT_EQ(idText("0000004717830"), "000000471");          // cut without stripping
  EXPECT_EQ(strippedPageText("000"), "00000");
  EXPECT_EQ(makePageRef("4717830", "1"), "004717830_00001");
  EXPECT_EQ(longImageName("004717830_00001"), "004717830.004717830_00001");

  const std::string prefix = "https://h/das/v2/";
  EXPECT_EQ(locationUrl(prefix, "004717830_00001"),
            "https://h/das/v2/dgs:004717830_00001/location/db");
  EXPECT_EQ(sizeByApidUrl(prefix, "TH-1-2"), "https://h/das/v2/TH-1-2/size");
  EXPECT_EQ(sizeByNameUrl(prefix, "004717830.004717830_00001"),
            "https://h/das/v2/dgs:004717830.004717830_00001/size");
  EXPECT_EQ(pageImageUrl(prefix, "TH-1-2"), "https://h/das/v2/TH-1-2/dist.jpg");
  EXPECT_EQ(parentsUrl(prefix, "TH-1-2-3-4"), "https://h/das/v2/apid:TH-1-2-3-4/parents#location");
  EXPECT_EQ(downloadLinkUrl(prefix, "004717830_00001"),
            "https://h/das/v2/dgs:004717830_00001/$dist");
  // Typed text cannot add path parts, a query or a fragment to a request.
  EXPECT_EQ(pageImageUrl(prefix, "TH-a/../b?c#d"),
            "https://h/das/v2/TH-a%2F..%2Fb%3Fc%23d/dist.jpg");
  EXPECT_EQ(sizeByApidUrl(prefix, std::string(kUnknownApid)),
            "https://h/das/v2/%20%2A%2A%2A%20unbekannt%20%2A%2A%2A/size");
}

TEST(PageAddress, LocationAnswers) {
  struct Case {
    const char* answer;
    const char* apid;
  };
  const Case cases[] = {
      {R"(<?xml?><l found="true" ids="TH-1-2-3,dgs:x"/>)", "TH-1-2-3"},
      {R"(<?xml?><l found="true">TH-1-2-3TH-9-9</l>)", "TH-1-2-3"},  // up to the second TH-
      {R"(<?xml?><l found="true">TH-1-2-3</l>)", "TH-1-2-3</l>"},    // to the end, no comma
      {R"(<?xml?><l found="true">no id</l>)", " *** unbekannt ***"},
      {R"(<?xml?><l TH-1-2 found="false"/>)", " *** unbekannt ***"},
      {R"(<?xml?><l found="TRUE">TH-1-2,</l>)", " *** unbekannt ***"},  // exact case
      {"", " *** unbekannt ***"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(extractApid(c.answer), c.apid) << c.answer;
  }
}

TEST(PageAddress, SizeAnswers) {
  struct Case {
    const char* answer;
    std::int64_t size;
  };
  const Case cases[] = {
      {R"(<?xml?><image upToDate="true" size="900"><dist size="300"/></image>)", 300},
      {R"(<?XML?><IMAGE UPTODATE="TRUE" SIZE="900"><DIST SIZE="77"/>)", 77},
      {R"(<?xml?><image uptodate="true" size="900"/>)", 0},         // only once
      {R"(<?xml?><image uptodate="true" size="9" size="x"/>)", 0},  // no digits
      {R"(<image uptodate="true" size="1" size="2"/>)", -1},        // not XML
      {R"(<?xml?><image size="1" size="2" ok="true"/>)", -1},       // no "uptodate"
      {R"(<?xml?><image uptodate="yes" size="1" size="2"/>)", -1},  // no "true"
      {"", -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parseImageSize(c.answer), c.size) << c.answer;
  }
}

TEST(PageAddress, ChildNames) {
  EXPECT_EQ(extractChildName(R"(<p parentApid="TH-1" childName="004010472_00017"/>)"),
            "004010472_00017");
  EXPECT_EQ(extractChildName(R"(<p childName="004010472_00017"/>)"), "");
  EXPECT_EQ(extractChildName(R"(<p parentApid="TH-1"/>)"), "");
  EXPECT_EQ(extractChildName(R"(<p parentApid="TH-1" childName="unclosed)"), "");
}

TEST(MatchWildcard, Patterns) {
  struct Case {
    const char* text;
    const char* pattern;
    bool match;
  };
  const Case cases[] = {
      {"TH-1942-45499-4599-43", "TH-*-*-*-*", true},
      {"th-1-2-3-4", "TH-*-*-*-*", true},  // letters without regard to case
      {"TH----", "TH-*-*-*-*", true},      // "*" also matches nothing
      {"TH-1-2-3", "TH-*-*-*-*", false},
      {"XTH-1-2-3-4", "TH-*-*-*-*", false},  // the whole text must match
      {"ab", "a**c", false},
      {"abbc", "a**c", true},
      {"", "*", true},
      {"", "", true},
      {"a", "", false},
      {"a7", "?#", true},
      {"ab", "?#", false},
      {"\xC4rger", "\xE4RGER", true},  // Ä and ä
      {"\x8A", "\x9A", true},          // Š and š
      {"\xD7", "\xF7", false},         // × and ÷ are no letters
      {"Seite_00017.jpg", "Seite_#####.jpg", true},
      {"Seite_0001x.jpg", "Seite_#####.jpg", false},
      {"aaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*c", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MatchWildcard(c.text, c.pattern), c.match) << c.text << " ~ " << c.pattern;
  }
}

}  // namespace
}  // namespace korvalis
