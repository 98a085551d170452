// krv links, list, batch and estimate, run as a user runs them against the test archive
// server over HTTPS.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/tests/archive_server_fixture.h"
#include "batch/save_list_file.h"
#include "platform/file_io.h"
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

  KrvRun krv(const std::string& args, const std::string& more = {}) const {
    const std::string environment = more + (more.empty() ? "" : " ") + "KORVALIS_ARCHIVE_URL='" +
                                    server_.baseUrl() + "' KORVALIS_CA_FILE='" +
                                    ArchiveServer::caFile() + "'";
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

  // A UTF-8 terminal gets the message in UTF-8; any other locale the Windows-1252 bytes.
  for (const std::string locale : {"C.UTF-8", "de_DE.UTF-8"}) {
    const KrvRun utf8 = krv("links 0 1 2", "LC_ALL=" + locale);
    EXPECT_EQ(utf8.err, "ID mu\xC3\x9F im Bereich [1...999999999] Liegen.\n") << locale;
  }
  EXPECT_EQ(krv("links 0 1 2", "LC_ALL=POSIX").err, refused.err);
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
  run = krv("estimate " + path("l.krl"), "LC_ALL=de_DE.UTF-8");
  EXPECT_EQ(run.out.rfind("Alle 6 Eintr\xC3\xA4ge belegen ca.  ", 0), 0U) << run.out;

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

// On vfat and exfat link() fails with EPERM; the preloaded shim makes it (and then also
// renameat2's RENAME_NOREPLACE) fail so on every file system, whether or not the target exists.
TEST_F(KrvBatchTest, PagesLandWhereHardLinksAreRefusedAndNoFileIsOverwritten) {
  for (const std::string mode : {"link", "link,renameat2"}) {
    SCOPED_TRACE(mode);
    const fs::path out = dir_ / (mode == "link" ? "stick1" : "stick2");
    const fs::path log = dir_ / (out.filename().string() + ".log");
    const std::string shim = "LD_PRELOAD='" + std::string(VFAT_SHIM_PATH) +
                             "' KORVALIS_VFAT_SHIM='" + mode + "' KORVALIS_VFAT_SHIM_LOG='" +
                             log.string() + "'";
    const std::string list = testing::shellQuoted(out / "l.krl");
    fs::create_directories(out);
    ASSERT_EQ(krv("list 4010312 1 4 " + list + " --names " + testing::shellQuoted(out) + " 'A[1]'")
                  .exitCode,
              0);
    // Rows 3 and 4 name the same file: the row that comes second finds it there.
    auto rows = parseSaveList(testing::readFileText(out / "l.krl"));
    ASSERT_EQ(rows.size(), 4U);
    rows[3].fileName = rows[2].fileName;
    ASSERT_TRUE(writeFileAtomically(out / "l.krl", formatSaveList(rows)));

    const KrvRun run = krv("batch " + list + " --slots 1", shim);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(run.out,
              "004010312_00001\tOK\n004010312_00002\tOK\n004010312_00003\tOK\n"
              "004010312_00004\tFehler 2!\n");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(out)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"A1.jpg", "A2.jpg", "A3.jpg", "l.krl"}));

    // A page saved on its own goes through the same kind of commit.
    const KrvRun fetched = krv("fetch 4010312 3 " + testing::shellQuoted(out / "p3.jpg"), shim);
    EXPECT_EQ(fetched.exitCode, 0) << fetched.err;
    const std::string page3 = testing::readFileText(out / "p3.jpg");
    EXPECT_GT(page3.size(), 100U);
    EXPECT_TRUE(testing::readFileText(out / "A3.jpg") == page3) << "page 4 replaced A3.jpg";
    EXPECT_TRUE(testing::readFileText(out / "A1.jpg") != page3);

    const std::string refused = testing::readFileText(log);
    EXPECT_NE(refused.find("link\n"), std::string::npos) << "the shim was not in effect";
    EXPECT_EQ(refused.find("renameat2\n") != std::string::npos, mode != "link");
  }
}

}  // namespace
}  // namespace korvalis
