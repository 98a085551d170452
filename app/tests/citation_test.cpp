// Citations of archive pages: the core's text and CSV forms, and `krv cite` run as a user runs
// it against the test archive server with the sample record file.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "app/citation.h"
#include "archive/tests/archive_server_fixture.h"
#include "platform/testing/temp_folder.h"
#include "records/record_file.h"
#include "tools/krv/testing/krv_runner.h"

namespace korvalis {
namespace {

using testing::ArchiveServer;

const std::string kSample = std::string(KORVALIS_TEST_SOURCE_DIR) + "/data/Beispiel.krv";
const std::string kPrefix = "https://archiv.example/das/v2/";

RecordData sampleRecords() {
  std::optional<std::string> bytes = readWholeFile(kSample);
  EXPECT_TRUE(bytes.has_value());
  return parseRecordBytes(bytes.value_or(std::string()), recordEndLine("Beispiel"));
}

// The entry that holds the page gives the four levels; ID and page are normalised; the address
// is the download link's; an unknown APID is left out; a page no entry holds cites no levels.
TEST(Citation, NamesTheEntryThePageTheApidAndTheAddress) {
  const RecordData records = sampleRecords();
  const PageCitation citation = makePageCitation(
      records.list, "4010997", "700", "TH-1961-21741-7290-81-00700", kPrefix, "2026-12-11");
  EXPECT_EQ(citation.levels[0], "Bayern");
  EXPECT_EQ(citation.levels[1], "K\xF6tzting, Katholische Kirche Mari\xE4 Himmelfahrt");
  EXPECT_EQ(citation.levels[2], "Konfirmationen");
  EXPECT_EQ(citation.levels[3], "1870-1899");
  EXPECT_EQ(citationText(citation),
            "Ebene 1: Bayern\n"
            "Ebene 2: K\xF6tzting, Katholische Kirche Mari\xE4 Himmelfahrt\n"
            "Ebene 3: Konfirmationen\n"
            "Ebene 4: 1870-1899\n"
            "Film-ID: 004010997\n"
            "Seite: 00700\n"
            "APID: TH-1961-21741-7290-81-00700\n"
            "Adresse: https://archiv.example/das/v2/dgs:004010997_00700/$dist\n"
            "Angesehen am: 2026-12-11\n");

  const PageCitation unknown =
      makePageCitation(records.list, "999", "1", " *** unbekannt ***", kPrefix, "2026-01-02");
  EXPECT_EQ(unknown.levels[0], "");
  EXPECT_EQ(unknown.apid, "");
  EXPECT_EQ(unknown.id, "000000999");
}

// One header line and one row; a field holding a comma or a quote is quoted, quotes doubled.
TEST(Citation, CsvRowQuotesWhatNeedsIt) {
  PageCitation citation;
  citation.levels = {"A", "B, C", "say \"D\"", "E"};
  citation.id = "000000001";
  citation.page = "00002";
  citation.address = "https://x/das/v2/dgs:000000001_00002/$dist";
  citation.viewed = "2026-12-11";
  EXPECT_EQ(citationCsvHeader(),
            "Ebene 1,Ebene 2,Ebene 3,Ebene 4,Film-ID,Seite,APID,Adresse,Angesehen am");
  EXPECT_EQ(citationCsvRow(citation),
            "A,\"B, C\",\"say \"\"D\"\"\",E,000000001,00002,,"
            "https://x/das/v2/dgs:000000001_00002/$dist,2026-12-11");
}

TEST(Citation, IsoDayIsTheLocalCalendarDay) {
  const std::string day = isoDay(std::chrono::system_clock::now());
  ASSERT_EQ(day.size(), 10U);
  EXPECT_EQ(day[4], '-');
  EXPECT_EQ(day[7], '-');
}

// krv cite looks the APID up in the archive and prints the same text, in the terminal's
// encoding; --format csv prints a header and a row; a bad call is a usage error.
TEST(KrvCite, PrintsTheCitationWithTheArchivesApid) {
  const ArchiveServer server;
  const korvalis::testing::TempFolder folder("krv-cite");
  const std::string environment = "KORVALIS_ARCHIVE_URL='" + server.baseUrl() +
                                  "' KORVALIS_CA_FILE='" + ArchiveServer::caFile() + "'";
  const std::string sample = korvalis::testing::shellQuoted(kSample);
  const std::string today = isoDay(std::chrono::system_clock::now());

  testing::KrvRun run = testing::runKrv(KRV_PATH, folder.path(), "cite " + sample + " 4010997 700",
                                        environment + " LC_ALL=C.UTF-8");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("Ebene 2: K\xC3\xB6tzting, Katholische Kirche Mari\xC3\xA4 Himmelfahrt\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("Film-ID: 004010997\nSeite: 00700\nAPID: TH-"), std::string::npos);
  EXPECT_NE(run.out.find("-00700\nAdresse: " + server.baseUrl() +
                         "/das/v2/dgs:004010997_00700/$dist\nAngesehen am: " + today + "\n"),
            std::string::npos)
      << run.out;

  run = testing::runKrv(KRV_PATH, folder.path(), "cite " + sample + " 4010997 700 --format csv",
                        environment);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::size_t lineEnd = run.out.find('\n');
  ASSERT_NE(lineEnd, std::string::npos);
  EXPECT_EQ(run.out.substr(0, lineEnd), citationCsvHeader());
  EXPECT_NE(run.out.find(",\"K\xF6tzting, Katholische Kirche Mari\xE4 Himmelfahrt\","),
            std::string::npos)
      << run.out;

  EXPECT_EQ(
      testing::runKrv(KRV_PATH, folder.path(), "cite " + sample + " 4010997", environment).exitCode,
      2);
  EXPECT_EQ(testing::runKrv(KRV_PATH, folder.path(), "cite " + sample + " 4010997 x", environment)
                .exitCode,
            2);
}

}  // namespace
}  // namespace korvalis
