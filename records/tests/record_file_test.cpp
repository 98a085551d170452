// The record file: validity rule, reading, sorting and the search index.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testing/temp_folder.h"
#include "records/record_file.h"

namespace korvalis {
namespace {

/// Header and data lines of exactly `size` bytes (CR LF ends included).
std::string linesOfSize(std::size_t size) {
  std::string lines = "H1\tH2\tH3\tH4\tH5\tH6\tH7\tH8\r\n";
  const std::string data = "A\tB\tC\tD\tTH-1-2-3-4\t000000001\t00001-00010\tx\r\n";
  while (lines.size() + data.size() <= size) {
    lines += data;
  }
  lines += std::string(size - lines.size() - 2, 'z') + "\r\n";
  return lines;
}

TEST(RecordFileTest, ValidityRuleWorkedExampleAndItsVariants) {
  const std::string body = linesOfSize(1234);
  ASSERT_EQ(body.size(), 1234U);
  struct Case {
    std::string name;
    std::string bytes;
    bool valid;
  };
  const std::vector<Case> cases = {
      {"upper-case trailer", body + "Probe\r\n000004D2", true},
      {"lower-case trailer", body + "Probe\r\n000004d2", true},
      {"trailer one too far", body + "Probe\r\n000004D3", false},
      {"extra CR LF after the trailer", body + "Probe\r\n000004D2\r\n", false},
      {"end line in other case", body + "probe\r\n000004D2", false},
      {"trailer beyond the file", body + "Probe\r\nFFFFFFFF", false},
      {"no trailer digits", body + "Probe\r\nxyz00000", false},
      {"shorter than a trailer", "0000", false},
      {"empty", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RecordFileCheck check = checkRecordBytes(c.bytes, "Probe");
    EXPECT_EQ(check.valid, c.valid) << check.reason;
    EXPECT_EQ(check.valid, check.reason.empty());
  }
  EXPECT_EQ((body + "Probe\r\n000004D2").size(), 1249U);

  // The file check reads only the tail and agrees with the check over the bytes.
  const testing::TempFolder folder("krv-validity");
  const std::filesystem::path& dir = folder.path();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(writeFileAtomically(dir / "Probe.krv", c.bytes));
    EXPECT_EQ(checkRecordFile(dir / "Probe.krv", "Probe").valid, c.valid);
  }
  EXPECT_FALSE(checkRecordFile(dir / "Missing.krv", "Missing").valid);
}

TEST(RecordFileTest, MakeWritesAFileTheRuleAcceptsAndRefusesAnEarlyEndLine) {
  std::string error;
  const auto bytes = makeRecordBytes("Kopf\na\tb\tc\td\r\n", "Liste", error);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, "Kopf\r\na\tb\tc\td\r\nListe\r\n0000000F");
  EXPECT_TRUE(checkRecordBytes(*bytes, "Liste").valid);
  EXPECT_FALSE(makeRecordBytes("Kopf\nListe\nx\n", "Liste", error));
  EXPECT_NE(error.find("line 2"), std::string::npos);
}

TEST(RecordFileTest, ReadingStopsAtTheEndLineAndKeepsEmptyAndShortLines) {
  const std::string bytes =
      "h1\th2\th3\th4\th5\th6\th7\th8\th9\r\n"
      "B\tb2\tb3\tb4\tTH-B\t000000002\t00001-00005\tkb\r"  // lone CR
      "\r\n"                                               // empty line: an entry
      "A\ta2\r\n"                                          // missing trailing fields
      "Probe\r\n"
      "C\tc2\tc3\tc4\tTH-C\t000000003\t\t\r\n"
      "Probe\r\n00000000";
  const RecordData data = parseRecordBytes(bytes, "Probe");
  EXPECT_EQ(data.header.fields[0], "h1");
  EXPECT_EQ(data.header.fields[7], "h8");
  ASSERT_EQ(data.list.size(), 3U);
  // Sorted: the empty entry first, then A, then B.
  const RecordEntry& empty = data.list.entries[0];
  EXPECT_EQ(empty.info1, "");
  EXPECT_EQ(empty.info4, "");
  EXPECT_EQ(empty.pages, "00001");
  EXPECT_EQ(data.list.entries[1].info1, "A");
  EXPECT_EQ(data.list.entries[1].info2, "a2");
  EXPECT_EQ(data.list.entries[1].pages, "00001");
  const RecordEntry& b = data.list.entries[2];
  EXPECT_EQ(b.apid, "TH-B");
  EXPECT_EQ(b.id, "000000002");
  EXPECT_EQ(b.pages, "00001-00005");
  EXPECT_EQ(b.info5, "kb");
  EXPECT_EQ(data.list.current, kNoEntry);
}

std::string fileWith(const std::vector<std::string>& lines) {
  std::string bytes = "header\r\n";
  for (const std::string& line : lines) {
    bytes += line + "\r\n";
  }
  return bytes + "Probe\r\n00000000";
}

TEST(RecordFileTest, SortIsStableOverFourKeysByteByByte) {
  const RecordData data = parseRecordBytes(
      fileWith({"b\tx\tx\tx\tfirst-b", "\xE4\tx\tx\tx", "B\tx\tx\tx", "a\ty\tx\tx", "a\tx\tz\tx",
                "a\tx\tx\tz", "a\tx\tx\ta\tone", "a\tx\tx\ta\ttwo", "b\tx\tx\tx\tsecond-b"}),
      "Probe");
  std::vector<std::string> order;
  for (const RecordEntry& e : data.list.entries) {
    order.push_back(e.info1 + e.info2 + e.info3 + e.info4 + "/" + e.apid);
  }
  const std::vector<std::string> expected = {"Bxxx/",        "axxa/one",      "axxa/two",
                                             "axxz/",        "axzx/",         "ayxx/",
                                             "bxxx/first-b", "bxxx/second-b", "\xE4xxx/"};
  EXPECT_EQ(order, expected);
}

TEST(RecordFileTest, IndexTakesInfo2AndInfo5ItemsSortedWithoutDuplicates) {
  const RecordData data = parseRecordBytes(
      fileWith({
          "A\tMitte\tc\td\t\t\t\tEins, Zwei,Drei",   // entry 0: blank before Zwei removed
          "B\tNord\tc\td\t\t\t\tVier,,F\xFCnf",      // entry 1: stops at the empty item
          "C\tOst\tc\td\t\t\t\tSechs,   ,Sieben",    // entry 2: blank item gives ""
          "D\tSued\tc\td\t\t\t\tSued, Mitte, Sued",  // entry 3: own info2 only once
      }),
      "Probe");
  std::vector<std::string> keys;
  for (const IndexEntry& e : data.index.entries) {
    keys.push_back(e.key + "/" + std::to_string(e.entry));
  }
  const std::vector<std::string> expected = {"/2",       "Drei/0", "Eins/0", "Mitte/0",
                                             "Mitte/3",  "Nord/1", "Ost/2",  "Sechs/2",
                                             "Sieben/2", "Sued/3", "Vier/1", "Zwei/0"};
  EXPECT_EQ(keys, expected);
}

}  // namespace
}  // namespace korvalis
