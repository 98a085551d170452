// The search over the index, the info window's text and following an ID and page.
#include <gtest/gtest.h>

#include "platform/scripted/fake_main_view.h"
#include "records/entry_info.h"
#include "records/record_file.h"
#include "records/record_search.h"

namespace korvalis {
namespace {

RecordData dataOf(const std::vector<std::string>& lines) {
  std::string bytes = "header\r\n";
  for (const std::string& line : lines) {
    bytes += line + "\r\n";
  }
  return parseRecordBytes(bytes + "T\r\n00000000", "T");
}

std::vector<std::string> rows(const RecordData& data, const SearchResult& result) {
  std::vector<std::string> out;
  for (std::size_t row = 0; row < result.hits.size(); ++row) {
    const SearchHit& hit = result.hits[row];
    out.push_back(rowNumberText(row) + "|" +
                  std::string(data.index.entries[hit.indexPosition].key) + "|" +
                  std::to_string(hit.entry));
  }
  return out;
}

TEST(RecordSearchTest, FindsKeysContainingTheTextInAnyCase) {
  RecordData data = dataOf({
      "a\tM\xDChlhausen\tx\tx\t\t\t\tKirchenbuch",  // entry 0: upper-case umlaut at the start
      "b\tOberm\xFChl\tx\tx\t\t\t\tALTM\xDCHL",     // entry 1: at the end, twice
      "c\tSchm\xFChlen\tx\tx\t\t\t\tmuehle",        // entry 2: inside
      "d\tNord\tx\tx\t\t\t\tNord",                  // entry 3: same key as info2, once
  });
  const auto result = runSearch(data.index, data.list, "m\xFChl");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->title, "Suche: \"m\xFChl\"");
  const std::vector<std::string> expected = {"1 |ALTM\xDCHL|1", "2 |M\xDChlhausen|0",
                                             "3 |Oberm\xFChl|1", "4 |Schm\xFChlen|2"};
  EXPECT_EQ(rows(data, *result), expected);
  EXPECT_EQ(result->status, " 4 Eintr\xE4ge gefunden");
  EXPECT_EQ(data.list.current, 2U);  // the last hit's entry

  const auto one = runSearch(data.index, data.list, "HLHAUS");
  ASSERT_TRUE(one);
  EXPECT_EQ(rows(data, *one), std::vector<std::string>{"1 |M\xDChlhausen|0"});
  EXPECT_EQ(one->status, " 1 Eintrag gefunden.");
  EXPECT_EQ(data.list.current, 0U);

  const auto none = runSearch(data.index, data.list, "Leipzig");
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->hits.empty());
  EXPECT_EQ(none->status, " Keine Eintr\xE4ge gefunden.");
  EXPECT_EQ(data.list.current, 0U);  // unchanged without hits

  EXPECT_FALSE(runSearch(data.index, data.list, ""));
}

TEST(RecordSearchTest, StarListsEveryKeyIncludingEqualKeysOfDifferentEntries) {
  RecordData data = dataOf({"a\tOrt\tx\tx\t\t\t\tZiel", "b\tOrt\tx\tx"});
  const auto all = runSearch(data.index, data.list, "*");
  ASSERT_TRUE(all);
  const std::vector<std::string> expected = {"1 |Ort|0", "2 |Ort|1", "3 |Ziel|0"};
  EXPECT_EQ(rows(data, *all), expected);
  EXPECT_EQ(all->status, " 3 Eintr\xE4ge gefunden");
  // "*" is no wildcard inside a longer text.
  EXPECT_TRUE(runSearch(data.index, data.list, "O*")->hits.empty());
}

TEST(EntryInfoTest, TextOfAnEntryAndOfTheLabelsAlone) {
  const std::string line =
      "Th\xFCringen\tOrt\tTaufen\t1800-1820\tTH-1-2-3-4\t004010312\t00001-00120\tEins, Zwei,Drei";
  const RecordEntry entry(line);
  EXPECT_EQ(entryInfoText(&entry),
            "\r  ID:\t004010312\r  Seiten:\t00001-00120\r\r  APID:\tTH-1-2-3-4\r\r"
            "  Info 1:\tTh\xFCringen\r  Info 2:\tOrt\r  Info 3:\tTaufen\r  Info 4:\t1800-1820\r\r"
            "  Info 5:\tEins\r\tZwei,Drei\r");
  EXPECT_EQ(entryInfoText(nullptr),
            "\r  ID:\r  Seiten:\r\r  APID:\r\r  Info 1:\r  Info 2:\r  Info 3:\r  Info 4:\r\r"
            "  Info 5:\r");
}

TEST(EntryInfoTest, RefreshMakesALeafCurrentAndFillsTheFields) {
  RecordData data = dataOf({"a\tb\tc\td\tTH-X\t000000007\t00003-00009\tk"});
  FakeMainView view;
  const std::string text = refreshEntryInfo(data.list, 0, &view);
  EXPECT_EQ(data.list.current, 0U);
  EXPECT_EQ(view.apid, "TH-X");
  EXPECT_EQ(view.id, "000000007");
  EXPECT_EQ(view.page, "00003");
  EXPECT_EQ(text, entryInfoText(&data.list.entries[0]));

  view.apid = "kept";
  EXPECT_EQ(refreshEntryInfo(data.list, kNoEntry, &view), entryInfoText(nullptr));
  EXPECT_EQ(view.apid, "kept");
  EXPECT_EQ(data.list.current, 0U);
}

TEST(EntryInfoTest, IdAndPageMatchTheFirstEntryWhoseRangeHoldsThePage) {
  const RecordData data = dataOf({
      "a\tx\tx\tx\t\t000000005\t00001-00120",
      "b\tx\tx\tx\t\t000000005\t00100-00200",
      "c\tx\tx\tx\t\t000000006\t",       // empty column: stored as "00001", no last page
      "d\tx\tx\tx\t\t000000007\t00003",  // a single page without "-": no last page either
      "e\tx\tx\tx\t\t000000007\t00001-00009",
  });
  struct Case {
    std::string id, page;
    EntryId expected;
  };
  const std::vector<Case> cases = {
      {"000000005", "00120", 0},        {"000000005", "00121", 1},
      {"000000005", "00001", 0},        {"000000005", "00201", kNoEntry},
      {"000000005", "120", kNoEntry},   {"5", "00001", kNoEntry},
      {"000000006", "00001", kNoEntry}, {"000000006", "", kNoEntry},
      {"000000007", "00003", 4},  // "d" comes first but holds no page
  };
  for (const Case& c : cases) {
    EXPECT_EQ(findEntryByIdAndPage(data.list, c.id, c.page), c.expected) << c.id << " " << c.page;
  }
  EXPECT_EQ(lastPageOf("00001"), "");
  EXPECT_EQ(firstPageOf("00001"), "00001");
}

}  // namespace
}  // namespace korvalis
