// krv links, list, batch and estimate, run as a user runs them against the test archive
// server over HTTPS.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
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
    return krvAt(server_, args, more);
  }
  /// krv against `server`, with a cache and a settings folder of the test's own.
  KrvRun krvAt(const ArchiveServer& server, const std::string& args,
               const std::string& more = {}) const {
    const std::string environment =
        more + (more.empty() ? "" : " ") + "KORVALIS_ARCHIVE_URL='" + server.baseUrl() +
        "' KORVALIS_CA_FILE='" + ArchiveServer::caFile() + "' XDG_CACHE_HOME='" +
        (dir_ / "cache").string() + "' XDG_CONFIG_HOME='" + (dir_ / "config").string() + "'";
    return testing::runKrv(KRV_PATH, dir_, args, environment);
  }
  /// A list of pages FROM-TO of film 4010312 named into `folder` (made), all checked.
  std::string makeList(const ArchiveServer& server, const std::string& name, int from, int to,
                       const std::string& folder) const {
    fs::create_directories(dir_ / folder);
    const KrvRun run =
        krvAt(server, "list 4010312 " + std::to_string(from) + " " + std::to_string(to) + " " +
                          path(name) + " --names " + path(folder) + " 'p[3]'");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return path(name);
  }
  static std::size_t count(const std::vector<std::string>& lines, const std::string& part) {
    return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [&](const auto& l) {
      return l.find(part) != std::string::npos;
    }));
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

// Five requests a second, the others answered 429 "Retry-After: 1": every page arrives, and
// the archive sees one look-up and one download per page besides the requests it turned away.
TEST_F(KrvBatchTest, TwoHundredPagesAgainstARateLimitedArchiveWasteNoRequest) {
  constexpr std::size_t kPages = 200;
  const ArchiveServer limited({"--fault", "ratelimit=5"});
  const std::string list = makeList(limited, "r.krl", 1, kPages, "rated");
  const KrvRun run = krvAt(limited, "batch " + list);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::size_t ok = 0;
  for (std::size_t at = run.out.find("\tOK\n"); at != std::string::npos;
       at = run.out.find("\tOK\n", at + 1)) {
    ++ok;
  }
  EXPECT_EQ(ok, kPages) << run.out;
  const auto log = limited.requestLog();
  const std::size_t turnedAway = count(log, "=> 429");
  EXPECT_GT(turnedAway, 0U);
  EXPECT_EQ(log.size(), 2 * kPages + turnedAway);
  const auto answered = [&](const std::string& part) {
    return std::count_if(log.begin(), log.end(), [&](const std::string& line) {
      return line.find(part) != std::string::npos && line.find("=> 429") == std::string::npos;
    });
  };
  EXPECT_EQ(answered("/location/db"), kPages);
  EXPECT_EQ(answered("/dist.jpg"), kPages);
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir_ / "rated")) {
    ++files;
  }
  EXPECT_EQ(files, kPages);
}

TEST_F(KrvBatchTest, ASecondBatchWithTheCacheAsksTheArchiveNothing) {
  const ArchiveServer server;
  const std::string first = makeList(server, "a.krl", 1, 4, "a");
  KrvRun run = krvAt(server, "batch " + first);  // without --cache: the cache stays untouched
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_FALSE(fs::exists(dir_ / "cache"));

  const std::string second = makeList(server, "b.krl", 1, 4, "b");
  run = krvAt(server, "batch " + second + " --cache");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(fs::exists(dir_ / "cache" / "korvalis" / "pages" / "004010312_00004.page"));
  const std::size_t before = server.requestLog().size();
  const std::string third = makeList(server, "c.krl", 1, 4, "c");
  run = krvAt(server, "batch " + third + " --cache --slots 1");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "004010312_00001\tOK\n004010312_00002\tOK\n004010312_00003\tOK\n"
            "004010312_00004\tOK\n");
  EXPECT_EQ(server.requestLog().size(), before) << "no look-up, size query or download";
  for (const std::string name : {"p001.jpg", "p002.jpg", "p003.jpg", "p004.jpg"}) {
    const std::string served = testing::readFileText(dir_ / "a" / name);
    EXPECT_GT(served.size(), 100U);
    EXPECT_TRUE(testing::readFileText(dir_ / "c" / name) == served) << name;
  }
}

TEST_F(KrvBatchTest, TheRequestIntervalComesFromTheOptionOrTheSettingsFile) {
  const ArchiveServer server;
  // Three pages are six requests: five gaps of at least 200 ms each.
  const std::string list = makeList(server, "i.krl", 1, 3, "i");
  auto start = std::chrono::steady_clock::now();
  KrvRun run = krvAt(server, "batch " + list + " --interval 200");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));

  fs::create_directories(dir_ / "config" / "korvalis");
  ASSERT_TRUE(writeFileAtomically(dir_ / "config" / "korvalis" / "korvalis.conf",
                                  std::string("request_interval_ms = 200\n")));
  const std::string again = makeList(server, "j.krl", 1, 3, "j");
  start = std::chrono::steady_clock::now();
  run = krvAt(server, "batch " + again);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));

  for (const std::string bad :
       {" --interval", " --interval x", " --interval -1", " --slots 4", " --cache --what"}) {
    EXPECT_EQ(krvAt(server, "batch " + list + bad).exitCode, 2) << bad;
  }
}

TEST_F(KrvBatchTest, TheEstimateWaitsOutARateLimitAndFindsEverySize) {
  const ArchiveServer plain;
  const ArchiveServer limited({"--fault", "ratelimit=3"});
  const std::string list = makeList(plain, "e.krl", 1, 10, "e");
  const KrvRun expected = krvAt(plain, "estimate " + list);
  ASSERT_EQ(expected.exitCode, 0) << expected.err;
  EXPECT_EQ(expected.out.rfind("Alle 10 Eintr\xE4ge belegen ca.  ", 0), 0U) << expected.out;
  const KrvRun run = krvAt(limited, "estimate " + list);
  EXPECT_EQ(run.out, expected.out);
  const auto log = limited.requestLog();
  EXPECT_GT(count(log, "=> 429"), 0U) << "four queries at once, three a second";
  EXPECT_EQ(log.size() - count(log, "=> 429"), 10U);
}

}  // namespace
}  // namespace korvalis
