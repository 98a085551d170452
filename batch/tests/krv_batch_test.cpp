// krv links, list, batch and estimate, run as a user runs them against the test archive
// server over HTTPS.
#include <gtest/gtest.h>

#include <filesystem>

#include "archive/tests/archive_server_fixture.h"
#include "batch/save_list_file.h"
#include "platform/testing/temp_folder.h"
#include "tools/krv/testing/krv_runner.h"

namespace korvalis {
namespace {

namespace fs = std::filesystem;
using testing::ArchiveServer;
using testing::KrvRun;

class KrvBatchTest : public ::testing::Test {
 protected:
  KrvBatchTest() : server_({"--fault", "nonimage=00005/dist.jpg"}), dir_(folder_.path()) {}

  KrvRun krv(const std::string& args) const {
    const std::string environment = "KORVALIS_ARCHIVE_URL='" + server_.baseUrl() +
                                    "' KORVALIS_CA_FILE='" + ArchiveServer::caFile() + "'";
    return testing::runKrv(KRV_PATH, dir_, args, environment);
  }
  std::string path(const std::string& name) const { return testing::shellQuoted(dir_ / name); }

  ArchiveServer server_;
  korvalis::testing::TempFolder folder_{"korvalis-batch"};
  fs::path dir_;
};

TEST_F(KrvBatchTest, LinksGoToStandardOutputOrAFile) {
  const KrvRun out = krv("links 4717830 2 1");
  EXPECT_EQ(out.exitCode, 0) << out.err;
  const std::string prefix = server_.servicePrefix() + "dgs:004717830_0000";
  EXPECT_EQ(out.out, prefix + "1/$dist\r\n" + prefix + "2/$dist\r\n");
  EXPECT_EQ(krv("links 4717830 1 2 " + path("l.txt")).exitCode, 0);
  EXPECT_EQ(testing::readFileText(dir_ / "l.txt"), out.out);
  const KrvRun refused = krv("links 0 1 2");
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(refused.err, "ID mu\xDF im Bereich [1...999999999] Liegen.\n");
  EXPECT_EQ(krv("links 1 2").exitCode, 2);
}

TEST_F(KrvBatchTest, ListBatchAndEstimateWorkTogether) {
  KrvRun run = krv("list 4010312 1 6 " + path("l.krl") + " --names " + path("out") + " 'A[1]'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto rows = parseSaveList(testing::readFileText(dir_ / "l.krl"));
  ASSERT_EQ(rows.size(), 6U);
  EXPECT_EQ(rows[5].fileName, (dir_ / "out" / "A6.jpg").string());
  EXPECT_TRUE(rows[5].checked);
  EXPECT_EQ(rows[5].status, " ");

  run = krv("estimate " + path("l.krl"));
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out.rfind("Alle 6 Eintr\xE4ge belegen ca.  ", 0), 0U) << run.out;

  run = krv("batch " + path("l.krl"));  // the folder does not exist yet
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Gew\xE4hltes Verzeichnis nicht gefunden!\n");

  fs::create_directories(dir_ / "out");
  run = krv("batch " + path("l.krl") + " --slots 2");
  EXPECT_EQ(run.exitCode, 1);  // page 5 is no image
  EXPECT_NE(run.out.find("004010312_00001\tOK\n"), std::string::npos);
  EXPECT_NE(run.out.find("004010312_00005\tFehler 4!\n"), std::string::npos);
  EXPECT_TRUE(fs::exists(dir_ / "out" / "A6.jpg"));
  const auto after = parseSaveList(testing::readFileText(dir_ / "l.krl"));
  EXPECT_EQ(after[0].code, -1);
  EXPECT_FALSE(after[0].checked);
  EXPECT_EQ(after[4].code, -4);
  EXPECT_TRUE(after[4].checked);

  // The second run takes only what is left: page 5 again.
  run = krv("batch " + path("l.krl"));
  EXPECT_EQ(run.out, "004010312_00005\tFehler 4!\n");

  run = krv("list 4010312 1 12 " + path("m.krl") + " --names " + path("out") + " 'A[1]'");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Stellenzahl reicht nicht f\xFCr die Anzahl der Eintr\xE4ge.\n");
}

}  // namespace
}  // namespace korvalis
