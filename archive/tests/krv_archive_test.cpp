// krv's archive commands (locate, size, fetch), run as a user runs them against the test
// archive server over HTTPS.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/tests/archive_server_fixture.h"
#include "platform/testing/temp_folder.h"
#include "tools/krv/testing/krv_runner.h"

namespace korvalis {
namespace {

namespace fs = std::filesystem;
using testing::ArchiveServer;
using testing::KrvRun;

constexpr const char* kFilm = "004010312";  // pages 00001-00596 in the sample catalogue
constexpr const char* kFilmStem = "TH-1977-53409-1402-98-";

class KrvArchiveTest : public ::testing::Test {
 protected:
  KrvArchiveTest()
      : server_({"--fault", "nonimage=_00023", "--fault", "nonimage=00024/dist"}),
        dir_(folder_.path()) {}

  KrvRun krv(const std::string& args, const std::string& more = {}) const {
    std::string environment = "KORVALIS_ARCHIVE_URL='" + server_.baseUrl() +
                              "' KORVALIS_CA_FILE='" + ArchiveServer::caFile() + "'";
    environment += more.empty() ? "" : " ";
    environment += more;
    return testing::runKrv(KRV_PATH, dir_, args, environment);
  }
  std::string path(const std::string& name) const { return testing::shellQuoted(dir_ / name); }
  /// The files in the folder, sorted, without krv's captured output.
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      const std::string name = entry.path().filename().string();
      if (name != "krv_stdout.txt" && name != "krv_stderr.txt") {
        names.push_back(name);
      }
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  ArchiveServer server_;
  korvalis::testing::TempFolder folder_{"krv-archive"};
  fs::path dir_;
};

TEST_F(KrvArchiveTest, LocateGivesTheImageApidOrTheUnknownMark) {
  KrvRun run = krv(std::string("locate ") + kFilm + " 17");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, std::string(kFilmStem) + "00017\n");

  run = krv(std::string("locate ") + kFilm + " 597");  // past the film's last page
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, " *** unbekannt ***\n");

  EXPECT_EQ(krv("locate 12x 1").exitCode, 2);
  EXPECT_EQ(krv("locate 1").exitCode, 2);
}

TEST_F(KrvArchiveTest, SizeByApidAndByPageAgreeWithTheFetchedImage) {
  const KrvRun fetch = krv(std::string("fetch ") + kFilm + " 5 " + path("p5.jpg"));
  ASSERT_EQ(fetch.exitCode, 0) << fetch.err;
  const auto bytes = fs::file_size(dir_ / "p5.jpg");
  EXPECT_EQ(files(), std::vector<std::string>{"p5.jpg"}) << "no temporary file is left";

  const KrvRun byApid = krv(std::string("size ") + kFilmStem + "00005");
  EXPECT_EQ(byApid.exitCode, 0) << byApid.err;
  EXPECT_EQ(byApid.out, std::to_string(bytes) + "\n");
  const KrvRun byPage = krv(std::string("size --dgs ") + kFilm + " 5");
  EXPECT_EQ(byPage.exitCode, 0) << byPage.err;
  EXPECT_EQ(byPage.out, byApid.out);

  EXPECT_EQ(krv(std::string("size ") + kFilmStem + "99999").out, "-1\n");
  EXPECT_EQ(krv("size --dgs 1").exitCode, 2);
}

TEST_F(KrvArchiveTest, FetchWritesThePageByteForByteAndRefusesWhatIsNoPage) {
  const KrvRun run = krv(std::string("fetch ") + kFilm + " 17 " + path("p17.jpg"));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::string jpeg = testing::readFileText(dir_ / "p17.jpg");
  ASSERT_GT(jpeg.size(), 49U);
  EXPECT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
  // The server stamps the film and page into bytes 24 to 48 of every page image.
  EXPECT_EQ(jpeg.substr(24, 4), "film");
  EXPECT_EQ(jpeg.substr(29, 7), "4010312");
  EXPECT_EQ(jpeg.substr(38, 4), "fram");
  EXPECT_EQ(jpeg.substr(44, 5), "00017");

  // An unknown page, a look-up answer that is no XML and a body that is no JPEG: refused,
  // and nothing is left, neither under the output name nor under a temporary one.
  for (const char* page : {"597", "23", "24"}) {
    const std::string name = std::string("bad") + page + ".jpg";
    const KrvRun bad = krv(std::string("fetch ") + kFilm + " " + page + " " + path(name));
    EXPECT_EQ(bad.exitCode, 1) << "page " << page;
    EXPECT_FALSE(bad.err.empty()) << "page " << page;
    EXPECT_EQ(files(), std::vector<std::string>{"p17.jpg"}) << "page " << page;
  }
}

// krv fetch --cache keeps the page and the second time takes it from the cache without asking
// the archive; without --cache the cache is not touched; krv cache path, stats and clear.
TEST_F(KrvArchiveTest, FetchWithTheCacheAsksTheArchiveOnce) {
  const fs::path cacheHome = dir_ / "cache";
  const std::string environment = "XDG_CACHE_HOME='" + cacheHome.string() + "'";
  const fs::path pages = cacheHome / "korvalis" / "pages";
  const auto requestsForPage = [this] {
    const auto log = server_.requestLog();
    return std::count_if(log.begin(), log.end(), [](const std::string& line) {
      return line.find("00005") != std::string::npos;
    });
  };

  ASSERT_EQ(krv(std::string("fetch ") + kFilm + " 5 " + path("plain.jpg"), environment).exitCode,
            0);
  EXPECT_FALSE(fs::exists(cacheHome));
  const auto plainRequests = requestsForPage();
  EXPECT_GT(plainRequests, 0);

  KrvRun run =
      krv(std::string("fetch ") + kFilm + " 5 " + path("first.jpg") + " --cache", environment);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(fs::exists(pages / (std::string(kFilm) + "_00005.page")));
  const auto cachedRequests = requestsForPage();
  EXPECT_EQ(cachedRequests, 2 * plainRequests);
  run = krv(std::string("fetch ") + kFilm + " 5 " + path("second.jpg") + " --cache", environment);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(requestsForPage(), cachedRequests);  // nothing asked
  const std::string plain = testing::readFileText(dir_ / "plain.jpg");
  EXPECT_FALSE(plain.empty());
  EXPECT_EQ(testing::readFileText(dir_ / "first.jpg"), plain);
  EXPECT_EQ(testing::readFileText(dir_ / "second.jpg"), plain);

  run = krv("cache path", environment);
  EXPECT_EQ(run.out, pages.string() + "\n");
  run = krv("cache stats", environment);
  EXPECT_EQ(run.out.substr(0, 8), "pages 1\n") << run.out;
  EXPECT_NE(run.out.find("\nlimit 2147483648\n"), std::string::npos) << run.out;
  EXPECT_EQ(krv("cache clear", environment).out, "removed 1\n");
  EXPECT_EQ(krv("cache stats", environment).out.substr(0, 8), "pages 0\n");
  EXPECT_EQ(krv("cache", environment).exitCode, 2);
}

}  // namespace
}  // namespace korvalis
