// The record file: validity rule, reading, sorting and the search index.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "platform/testing/temp_folder.h"
#include "platform/cp1252.h"
#include "platform/file_io.h"
#include "records/record_file.h"
#include "records/record_search.h"

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

  // A file beyond the largest record file is refused as such before anything is read (a
  // sparse file: it takes no disk space).
  const std::filesystem::path huge = dir / "Riesig.krv";
  ASSERT_TRUE(writeFileAtomically(huge, std::string_view("x")));
  std::filesystem::resize_file(huge, kMaxRecordFileBytes + 1);
  const RecordFileCheck tooLarge = checkRecordFile(huge, "Riesig");
  EXPECT_FALSE(tooLarge.valid);
  EXPECT_TRUE(tooLarge.tooLarge);
  EXPECT_NE(tooLarge.reason.find("2 GiB"), std::string::npos) << tooLarge.reason;
  std::filesystem::resize_file(huge, kMaxRecordFileBytes);
  EXPECT_FALSE(checkRecordFile(huge, "Riesig").tooLarge);
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
  EXPECT_EQ(empty.info1(), "");
  EXPECT_EQ(empty.info4(), "");
  EXPECT_EQ(empty.pages(), "00001");
  EXPECT_EQ(data.list.entries[1].info1(), "A");
  EXPECT_EQ(data.list.entries[1].info2(), "a2");
  EXPECT_EQ(data.list.entries[1].pages(), "00001");
  const RecordEntry& b = data.list.entries[2];
  EXPECT_EQ(b.apid(), "TH-B");
  EXPECT_EQ(b.id(), "000000002");
  EXPECT_EQ(b.pages(), "00001-00005");
  EXPECT_EQ(b.info5(), "kb");
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
    order.push_back(std::string(e.info1())
                        .append(e.info2())
                        .append(e.info3())
                        .append(e.info4())
                        .append("/")
                        .append(e.apid()));
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
    keys.push_back(std::string(e.key) + "/" + std::to_string(e.entry));
  }
  const std::vector<std::string> expected = {"/2",       "Drei/0", "Eins/0", "Mitte/0",
                                             "Mitte/3",  "Nord/1", "Ost/2",  "Sechs/2",
                                             "Sieben/2", "Sued/3", "Vier/1", "Zwei/0"};
  EXPECT_EQ(keys, expected);
}

/// Random data lines over small alphabets, so that values, keys and whole lines repeat: empty
/// and missing fields, blanks, bytes above 127, repeated and blank info5 items, text after the
/// eighth column, every kind of line end, and one very long line.
std::string randomRecordBytes(std::mt19937& random, int lines, std::string_view endLine) {
  const std::vector<std::string> words = {"",  "a",  "A",     "ab", "b",   "\xE4",
                                          "Z", "aa", "\xC4x", " a", "Ort", "ort"};
  const std::vector<std::string> ends = {"\r\n", "\r", "\n"};
  const auto pick = [&random](const std::vector<std::string>& from) {
    return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
  };
  std::string bytes = "h1\th2\r\n";
  for (int i = 0; i < lines; ++i) {
    std::string line;
    const int columns = std::uniform_int_distribution<int>(0, 9)(random);
    for (int c = 0; c < columns; ++c) {
      if (c > 0) {
        line += '\t';
      }
      if (c == 7) {
        const int items = std::uniform_int_distribution<int>(0, 4)(random);
        for (int k = 0; k < items; ++k) {
          line += k > 0 ? "," : "";
          line += pick(words);
        }
      } else {
        line += pick(words);
      }
    }
    bytes += line + pick(ends);
  }
  // One line longer than any the entries keep their column ends for.
  bytes += "L\tlang\tx\tx\t\t\t\t" + std::string(70000, 'k') + ",Ort\tnach der achten\r\n";
  return bytes + std::string(endLine) + "\r\nignored\tline\r\n";
}

/// The loading rules written plainly: split, a stable sort over four texts, every key pair
/// sorted with duplicates removed.
struct PlainModel {
  std::vector<std::vector<std::string>> entries;  ///< eight columns each, in list order
  std::vector<std::pair<std::string, EntryId>> index;

  PlainModel(const std::string& bytes, const std::string& endLine) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] == '\r' || bytes[i] == '\n') {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
          ++i;
        }
        lines.push_back(line);
        line.clear();
      } else {
        line += bytes[i];
      }
    }
    for (std::size_t n = 1; n < lines.size() && lines[n] != endLine; ++n) {
      std::vector<std::string> columns(8);
      std::size_t c = 0;
      for (const char ch : lines[n]) {
        if (ch == '\t') {
          ++c;
        } else if (c < 8) {
          columns[c] += ch;
        }
      }
      entries.push_back(columns);
    }
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
      return std::tie(a[0], a[1], a[2], a[3]) < std::tie(b[0], b[1], b[2], b[3]);
    });
    for (EntryId p = 0; p < entries.size(); ++p) {
      index.emplace_back(entries[p][1], p);
      std::string item;
      for (std::size_t i = 0; i <= entries[p][7].size(); ++i) {
        if (i < entries[p][7].size() && entries[p][7][i] != ',') {
          item += entries[p][7][i];
          continue;
        }
        if (item.empty()) {
          break;
        }
        index.emplace_back(item.substr(std::min(item.find_first_not_of(' '), item.size())), p);
        item.clear();
      }
    }
    std::sort(index.begin(), index.end());
    index.erase(std::unique(index.begin(), index.end()), index.end());
  }
};

TEST(RecordFileTest, LoadingAgreesWithThePlainRulesOnRandomFiles) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    const std::string bytes = randomRecordBytes(random, round * 25, "Ende");
    const PlainModel model(bytes, "Ende");
    RecordData data = parseRecordBytes(bytes, "Ende");

    ASSERT_EQ(data.list.size(), model.entries.size());
    for (EntryId p = 0; p < model.entries.size(); ++p) {
      const RecordEntry& e = data.list.entries[p];
      const std::vector<std::string> loaded = {std::string(e.info1()),
                                               std::string(e.info2()),
                                               std::string(e.info3()),
                                               std::string(e.info4()),
                                               std::string(e.apid()),
                                               std::string(e.id()),
                                               std::string(e.column(RecordEntry::Pages)),
                                               std::string(e.info5())};
      ASSERT_EQ(loaded, model.entries[p]) << "entry " << p;
      EXPECT_EQ(e.pages(), loaded[6].empty() ? "00001" : loaded[6]);
    }

    std::vector<std::pair<std::string, EntryId>> index;
    for (const IndexEntry& element : data.index.entries) {
      index.emplace_back(std::string(element.key), element.entry);
    }
    ASSERT_EQ(index, model.index);
    for (std::size_t i = 0; i < index.size(); i += 7) {
      EXPECT_EQ(data.index.entries[i].key, index[i].first);
      EXPECT_EQ(data.index.entries[i].entry, index[i].second);
    }

    // The search finds exactly the keys that contain the text in lower case, in index order.
    for (const std::string needle : {"a", "\xE4", "RT", " "}) {
      std::vector<std::size_t> expected;
      for (std::size_t i = 0; i < index.size(); ++i) {
        if (cp1252LowerText(index[i].first).find(cp1252LowerText(needle)) != std::string::npos) {
          expected.push_back(i);
        }
      }
      const std::optional<SearchResult> result = runSearch(data.index, data.list, needle);
      ASSERT_TRUE(result);
      std::vector<std::size_t> found;
      for (const SearchHit& hit : result->hits) {
        found.push_back(hit.indexPosition);
        EXPECT_EQ(hit.entry, index[hit.indexPosition].second);
      }
      EXPECT_EQ(found, expected) << needle;
    }
  }
}

TEST(RecordFileTest, IndexOfMoreDistinctKeysThanTwoBytesCanNumber) {
  // 70,000 distinct info2 keys in descending order, each entry also naming a shared key.
  std::string bytes = "h\r\n";
  for (int i = 70000; i-- > 0;) {
    bytes += "A\tk" + std::to_string(100000 + i) + "\tx\tx\t\t\t\tgemeinsam\r\n";
  }
  bytes += "Ende\r\n";
  const PlainModel model(bytes, "Ende");
  const RecordData data = parseRecordBytes(bytes, "Ende");
  std::vector<std::pair<std::string, EntryId>> index;
  for (const IndexEntry& element : data.index.entries) {
    index.emplace_back(std::string(element.key), element.entry);
  }
  EXPECT_EQ(index, model.index);
}

TEST(RecordFileTest, ListAndIndexStayReadableWhenTheLoadedDataIsGone) {
  RecordList list;
  SearchIndex index;
  {
    RecordData data = parseRecordBytes(fileWith({"B\tOrt\tc\td\tTH-B", "A\tWeg\tc\td"}), "Probe");
    list = data.list;
    index = std::move(data.index);
  }
  ASSERT_EQ(list.size(), 2U);
  EXPECT_EQ(list.entries[1].apid(), "TH-B");
  ASSERT_EQ(index.entries.size(), 2U);
  EXPECT_EQ(index.entries[0].key, "Ort");
  EXPECT_EQ(index.entries[1].key, "Weg");
}

}  // namespace
}  // namespace korvalis
