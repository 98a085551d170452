// The page cache: entries kept and found whole, damaged entries dropped, the least recently
// used evicted over the limit, and a folder that cannot be written turning the cache off.
#include "archive/page_cache.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "platform/file_io.h"
#include "platform/testing/temp_folder.h"

namespace korvalis {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> pageBytes(std::size_t size, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
  }
  return bytes;
}

std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(PageCache, KeepsAndFindsAPageWithItsApid) {
  const testing::TempFolder temp("page-cache");
  PageCache cache(temp.path() / "pages", 1 << 20);
  EXPECT_FALSE(cache.find("004010997", "00700"));
  const auto bytes = pageBytes(5000, 3);
  ASSERT_TRUE(cache.store("004010997", "00700", "TH-1-2-3-4-00700", bytes));
  const auto found = cache.find("004010997", "00700");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->apid, "TH-1-2-3-4-00700");
  EXPECT_EQ(found->bytes, bytes);
  EXPECT_EQ(namesIn(temp.path() / "pages"), std::vector<std::string>{"004010997_00700.page"});
  EXPECT_FALSE(cache.find("004010997", "00701"));

  // Stored again: replaced whole; the stats count one entry.
  const auto newer = pageBytes(3000, 9);
  ASSERT_TRUE(cache.store("004010997", "00700", "", newer));
  EXPECT_EQ(cache.find("004010997", "00700")->bytes, newer);
  const PageCacheStats stats = cache.stats();
  EXPECT_EQ(stats.entries, 1U);
  EXPECT_EQ(stats.bytes, pageCacheHeader("", newer).size() + newer.size());

  // Names that are no film ID or page never reach the file system; an APID with a line
  // break is not kept.
  EXPECT_FALSE(cache.store("../x", "00001", "", bytes));
  EXPECT_FALSE(cache.find("..", "00001"));
  EXPECT_FALSE(cache.store("000000001", "00001", "TH-\n", bytes));
  EXPECT_EQ(cache.clear(), 1U);
  EXPECT_TRUE(namesIn(temp.path() / "pages").empty());
}

// A cut-off entry, a changed byte and a wrong size are each dropped (the file goes) and the
// page is not found.
TEST(PageCache, ADamagedEntryIsDropped) {
  const testing::TempFolder temp("page-cache");
  PageCache cache(temp.path(), 1 << 20);
  const auto bytes = pageBytes(4000, 1);
  const fs::path entry = temp.path() / "000000001_00001.page";
  const std::string header = pageCacheHeader("TH-A", bytes);
  for (int damage = 0; damage < 3; ++damage) {
    ASSERT_TRUE(cache.store("000000001", "00001", "TH-A", bytes));
    std::string content = *readWholeFile(entry);
    if (damage == 0) {
      content.resize(content.size() - 10);
    } else if (damage == 1) {
      content[header.size() + 100] ^= 0x40;
    } else {
      content += "x";
    }
    std::ofstream(entry, std::ios::binary | std::ios::trunc) << content;
    EXPECT_FALSE(cache.find("000000001", "00001")) << "damage " << damage;
    EXPECT_FALSE(fs::exists(entry)) << "damage " << damage;
  }
}

// Over the limit the least recently used entries go first; a hit counts as a use.
TEST(PageCache, EvictsTheLeastRecentlyUsedOverItsLimit) {
  const testing::TempFolder temp("page-cache");
  const auto bytes = pageBytes(10000, 5);
  const std::uint64_t entrySize = pageCacheHeader("TH", bytes).size() + bytes.size();
  PageCache cache(temp.path(), entrySize * 4);
  const auto longAgo = fs::file_time_type::clock::now() - std::chrono::hours(10);
  for (int page = 1; page <= 4; ++page) {
    const std::string name = "0000" + std::to_string(page);
    ASSERT_TRUE(cache.store("000000001", name, "TH", bytes));
    // Page 1 was stored first, page 4 last.
    fs::last_write_time(temp.path() / ("000000001_" + name + ".page"),
                        longAgo + std::chrono::minutes(page));
  }
  ASSERT_TRUE(cache.find("000000001", "00001"));  // used now: the newest
  ASSERT_TRUE(cache.store("000000001", "00005", "TH", bytes));
  // Down to nine tenths of the limit: three entries stay, pages 2 and 3 (least used) went.
  EXPECT_EQ(namesIn(temp.path()),
            (std::vector<std::string>{"000000001_00001.page", "000000001_00004.page",
                                      "000000001_00005.page"}));
  EXPECT_LE(cache.stats().bytes, entrySize * 4);
}

// A limit of 0 turns the cache off; a folder that cannot be made turns it off after the first
// failed write, which the caller can tell.
TEST(PageCache, OffOrUnwritableItKeepsNothing) {
  const testing::TempFolder temp("page-cache");
  const auto bytes = pageBytes(100, 2);
  PageCache off(temp.path() / "off", 0);
  EXPECT_FALSE(off.enabled());
  EXPECT_FALSE(off.store("000000001", "00001", "", bytes));
  EXPECT_FALSE(fs::exists(temp.path() / "off"));

  std::ofstream(temp.path() / "file") << "not a folder";
  PageCache blocked(temp.path() / "file" / "pages", 1 << 20);
  EXPECT_TRUE(blocked.enabled());
  EXPECT_FALSE(blocked.writeFailed());
  EXPECT_FALSE(blocked.store("000000001", "00001", "", bytes));
  EXPECT_TRUE(blocked.writeFailed());
  EXPECT_FALSE(blocked.enabled());
  EXPECT_FALSE(blocked.find("000000001", "00001"));
}

TEST(PageCache, DefaultFolderFollowsTheEnvironment) {
  const char* cacheHome = std::getenv("XDG_CACHE_HOME");
  const std::string saved = cacheHome != nullptr ? cacheHome : "";
  const char* home = std::getenv("HOME");
  const std::string savedHome = home != nullptr ? home : "";
  ::setenv("XDG_CACHE_HOME", "/var/tmp/c", 1);
  EXPECT_EQ(PageCache::defaultFolder(), fs::path("/var/tmp/c/korvalis/pages"));
  ::setenv("XDG_CACHE_HOME", "relative", 1);
  ::setenv("HOME", "/home/anna", 1);
  EXPECT_EQ(PageCache::defaultFolder(), fs::path("/home/anna/.cache/korvalis/pages"));
  if (cacheHome != nullptr) {
    ::setenv("XDG_CACHE_HOME", saved.c_str(), 1);
  } else {
    ::unsetenv("XDG_CACHE_HOME");
  }
  if (home != nullptr) {
    ::setenv("HOME", savedHome.c_str(), 1);
  } else {
    ::unsetenv("HOME");
  }
}

}  // namespace
}  // namespace korvalis
