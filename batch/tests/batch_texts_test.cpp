// The toolkit-free pieces of the save window: link rows and texts, the save-list format, file
// naming and the target check, byte sizes and the estimate's messages.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "batch/download_links.h"
#include "batch/file_naming.h"
#include "batch/save_list_file.h"
#include "batch/storage_estimate.h"
#include "platform/testing/temp_folder.h"

namespace korvalis {
namespace {

namespace fs = std::filesystem;

std::vector<LinkRow> rowsOf(std::variant<std::vector<LinkRow>, std::string_view> made) {
  return std::holds_alternative<std::vector<LinkRow>>(made) ? std::get<std::vector<LinkRow>>(made)
                                                            : std::vector<LinkRow>{};
}

TEST(LinkRows, RangesAndRefusals) {
  struct Case {
    const char* id;
    const char* from;
    const char* to;
    std::size_t count;  // 0: refused
    const char* first;  // reference of the first row
    const char* last;   // reference of the last row
    std::string_view refusal;
  };
  const Case cases[] = {
      {"999999999", "1", "1", 1, "999999999_00001", "999999999_00001", {}},
      {"4717830", "7", "3", 5, "004717830_00003", "004717830_00007", {}},
      {"12", "5", "5", 1, "000000012_00005", "000000012_00005", {}},
      {"1", "1", "99999", 99999, "000000001_00001", "000000001_99999", {}},
      {"0", "1", "2", 0, "", "", kIdRangeMessage},
      {"", "1", "2", 0, "", "", kIdRangeMessage},
      {"1000000000", "1", "2", 0, "", "", kIdRangeMessage},
      {"5", "0", "2", 0, "", "", kPageRangeMessage},
      {"5", "2", "100000", 0, "", "", kPageRangeMessage},
      {"0", "0", "0", 0, "", "", kIdRangeMessage},  // the ID is checked first
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.id) + " " + c.from + " " + c.to);
    const auto made = makeLinkRows(c.id, c.from, c.to);
    if (c.count == 0) {
      ASSERT_TRUE(std::holds_alternative<std::string_view>(made));
      EXPECT_EQ(std::get<std::string_view>(made), c.refusal);
      continue;
    }
    const auto rows = rowsOf(made);
    ASSERT_EQ(rows.size(), c.count);
    EXPECT_EQ(rows.front().reference, c.first);
    EXPECT_EQ(rows.back().reference, c.last);
    EXPECT_EQ(rows.front().status, " ");
    EXPECT_FALSE(rows.front().checked);
    EXPECT_TRUE(rows.back().fileName.empty());
  }
}

TEST(LinkRows, LinkTextHoldsCheckedRowsUpToTheFirstEmptyReference) {
  auto rows = rowsOf(makeLinkRows("4717830", "1", "4"));
  rows[0].checked = true;
  rows[2].checked = true;
  rows.insert(rows.begin() + 3, LinkRow{});  // everything after an empty reference is ignored
  rows[4].checked = true;
  std::size_t written = 0;
  EXPECT_EQ(linkText(rows, "https://h/das/v2/dgs:", "/$dist", &written),
            "https://h/das/v2/dgs:004717830_00001/$dist\r\n"
            "https://h/das/v2/dgs:004717830_00003/$dist\r\n");
  EXPECT_EQ(written, 2U);
  EXPECT_EQ(linkText(rowsOf(makeLinkRows("1", "1", "3")), "p", "s"), "");
  EXPECT_EQ(linksWrittenMessage(1, 1), "1 von 1 Eintrag  in Datei geschrieben.");
  EXPECT_EQ(linksWrittenMessage(3, 10), "3 von 10 Eintr\xE4ge  in Datei geschrieben.");
  EXPECT_EQ(rowsWrittenMessage(1), "1 Eintrag  in Datei geschrieben.");
}

TEST(SaveListFile, WritesFiveFieldsWithCrLfAndReadsThemBackByteForByte) {
  const std::vector<LinkRow> rows = {
      {"004717830_00001", "/home/u/KB_K\xF6slin_001.jpg", "OK", -1, false},
      {"004717830_00002", "/home/u/KB_K\xF6slin_002.jpg", "Lade...", 2, true},
      {"004717830_00003", "", " ", 0, true},
  };
  const std::string bytes = formatSaveList(rows);
  EXPECT_EQ(bytes,
            "004717830_00001\t/home/u/KB_K\xF6slin_001.jpg\tOK\t-1\t0\r\n"
            "004717830_00002\t/home/u/KB_K\xF6slin_002.jpg\tLade...\t2\t2\r\n"
            "004717830_00003\t\t \t0\t2\r\n");
  EXPECT_EQ(parseSaveList(bytes), rows);
  EXPECT_EQ(formatSaveList(parseSaveList(bytes)), bytes);
}

TEST(SaveListFile, ReadsOddInputWithoutFailing) {
  struct Case {
    std::string_view bytes;
    std::size_t rows;
    LinkRow first;
  };
  const Case cases[] = {
      {"", 1, {}},                            // an empty file is one empty row
      {"a\tb", 1, {"a", "b", "", 0, false}},  // missing fields
      {"a\tb\tc\t-6\t1\tmore\n", 1, {"a", "b", "c", -6, true}},
      {"a\r\nb\r\n", 2, {"a", "", "", 0, false}},
      {"a\n\nb", 3, {"a", "", "", 0, false}},
      {"r\tf\ts\t99999999999\tx", 1, {"r", "f", "s", 2147483647, false}},
      {"r\tf\ts\t 12abc\t-3", 1, {"r", "f", "s", 12, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.bytes));
    const auto rows = parseSaveList(c.bytes);
    ASSERT_EQ(rows.size(), c.rows);
    EXPECT_EQ(rows.front(), c.first);
  }
  EXPECT_EQ(savedRowCount(parseSaveList("")), 0U);
}

TEST(FileNaming, PatternsAndTheirMessages) {
  struct Case {
    std::size_t rows;
    std::string_view pattern;
    std::string_view refusal;  // empty: accepted
    const char* lastName;
  };
  const Case cases[] = {
      {12, "KB_K\xF6slin_[3]", {}, "/f/KB_K\xF6slin_012.jpg"},
      {9, "A[1]", {}, "/f/A9.jpg"},
      {10, "A[1]", kWidthTooSmallMessage, ""},
      {3, "[2]", {}, "/f/03.jpg"},
      {3, "a[5]", {}, "/f/a00003.jpg"},
      {3, "A[12]", kPatternFormatMessage, ""},
      {3, "A[x]", kPatternFormatMessage, ""},
      {3, "A3", kPatternFormatMessage, ""},
      {3, "A[0]", kWidthRangeMessage, ""},
      {3, "A[6]", kWidthRangeMessage, ""},
      {0, "A[2]", kNoRowsMessage, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " with " + std::to_string(c.rows));
    const auto checked = checkNaming(c.rows, "/f/", c.pattern);
    if (!c.refusal.empty()) {
      ASSERT_TRUE(std::holds_alternative<std::string_view>(checked));
      EXPECT_EQ(std::get<std::string_view>(checked), c.refusal);
      continue;
    }
    ASSERT_TRUE(std::holds_alternative<NamePattern>(checked));
    auto rows = rowsOf(makeLinkRows("1", "1", std::to_string(c.rows)));
    applyFileNames(rows, "/f", std::get<NamePattern>(checked));
    EXPECT_EQ(rows.back().fileName, c.lastName);
  }
  EXPECT_EQ(std::get<std::string_view>(checkNaming(3, "", "A[2]")), kNoFolderMessage);
}

TEST(FileNaming, TargetCheckLooksInTheFirstRowsFolder) {
  const korvalis::testing::TempFolder temp("korvalis-target-check");
  const fs::path& dir = temp.path();
  const std::string folder = dir.string() + "/";
  auto rows = rowsOf(makeLinkRows("1", "1", "3"));
  EXPECT_EQ(checkTargetFiles(rows), kTargetFolderUnresolved);  // no names yet
  for (std::size_t i = 0; i < rows.size(); ++i) {
    rows[i].fileName = folder + "p" + std::to_string(i) + ".jpg";
    rows[i].checked = true;
  }
  EXPECT_EQ(checkTargetFiles(rows), kTargetsReady);
  std::ofstream(dir / "p1.jpg") << "x";
  EXPECT_EQ(checkTargetFiles(rows), 1);
  std::ofstream(dir / "p2.jpg") << "x";
  EXPECT_EQ(checkTargetFiles(rows), 2);
  rows[2].checked = false;  // only checked rows count
  EXPECT_EQ(checkTargetFiles(rows), 1);
  rows[0].fileName = "p0.jpg";
  EXPECT_EQ(checkTargetFiles(rows), kTargetFolderUnresolved);
  rows[0].fileName = folder + "missing/p0.jpg";
  EXPECT_EQ(checkTargetFiles(rows), kTargetFolderMissing);

  EXPECT_FALSE(startRefusal(kTargetsReady));
  EXPECT_EQ(startRefusal(1)->text,
            "Es existiert bereits eine Datei mit dem gew\xE4hlten Dateinamen!");
  EXPECT_EQ(startRefusal(7)->text,
            "Es existieren bereits 7 Dateien mit den gew\xE4hlten Dateinamen!");
  EXPECT_TRUE(startRefusal(kTargetFolderMissing)->error);
  EXPECT_EQ(startRefusal(kTargetFolderUnresolved)->text,
            "Interner Fehler.\rKann den Pfad zum Verzeichnis nicht aufl\xF6sen!");
}

TEST(ByteSize, UnitsDecimalsAndTheFloatExponent) {
  const std::pair<std::int64_t, const char*> cases[] = {
      {0, "0 B"},
      {812, "812 B"},
      {1023, "1023 B"},
      {1024, "1.00 KB"},
      {1536, "1.50 KB"},
      {1048576, "1 MB"},
      {12582912, "12 MB"},
      {1073741824, "1024 MB"},  // the float quotient stays just below 3
      {std::int64_t{3} << 30, "3.00 GB"},
      {std::int64_t{5} << 40, "5 TB"},
  };
  for (const auto& [bytes, text] : cases) {
    EXPECT_EQ(FormatByteSize(bytes, 2), text) << bytes;
  }
}

TEST(EstimateMessages, EveryScopeAndFailureCount) {
  const auto totals = [](std::size_t examined, std::size_t failures, std::int64_t total,
                         std::size_t rows = 0, bool cancelled = false) {
    return EstimateTotals{examined, failures, total, cancelled, rows};
  };
  struct Case {
    EstimateScope scope;
    EstimateTotals totals;
    std::string text;
  };
  const std::string bei = "\rBei ";
  const std::string tail =
      " konnte die Gr\xF6\xDF"
      "e nicht ermittelt werden.";
  const Case cases[] = {
      {EstimateScope::Active, totals(1, 0, 1536), "Das Dokument ben\xF6tigt ca.  1.50 KByte."},
      {EstimateScope::Active, totals(1, 1, 0),
       "Dokumentgr\xF6\xDF"
       "e konnte nicht ermittelt werden."},
      {EstimateScope::Checked, totals(1, 0, 812), "Der selektierte Eintrag belegt ca.  812 Byte."},
      {EstimateScope::Checked, totals(3, 1, 2048),
       "Die 3 selektierten Eintr\xE4ge belegen ca.  2.00 KByte." + bei + " einem Eintrag" + tail},
      {EstimateScope::Checked, totals(2, 2, 0),
       "Die 2 selektierten Eintr\xE4ge belegen ca.   ? Byte" + bei + "2 Eintr\xE4gen" + tail},
      {EstimateScope::All, totals(4, 0, 1048576, 4), "Alle 4 Eintr\xE4ge belegen ca.  1 MByte."},
      {EstimateScope::All, totals(4, 2, 1024, 4),
       "4 Eintr\xE4ge belegen ca.  1.00 KByte." + bei + "2 Eintr\xE4gen" + tail},
      {EstimateScope::All, totals(4, 1, 1024, 4),
       "4 Eintr\xE4ge belegen ca.  1.00 KByte." + bei + "1 Eintrag" + tail},
      {EstimateScope::All, totals(2, 2, 0, 2), bei + "2 Eintr\xE4gen" + tail},
      {EstimateScope::All, totals(3, 0, std::int64_t{3} << 30, 3),
       "Alle 3 Eintr\xE4ge belegen ca.  3.00 GByte."},  // past 2 GiB: the true size
      {EstimateScope::All, totals(4, 0, 4096, 9, true),
       "ABBRUCH!\r4 gepr\xFC"
       "fte Eintr\xE4ge belegen ca.  4.00 KByte."},
      {EstimateScope::Checked, totals(1, 0, 100, 9, true),
       "ABBRUCH!\rEin gepr\xFC"
       "fter Eintrag belegt ca.  100 Byte."},
      {EstimateScope::Checked, totals(0, 0, 0, 9, true), "ABBRUCH!\r"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(estimateMessage(c.scope, c.totals), c.text);
  }
}

}  // namespace
}  // namespace korvalis
