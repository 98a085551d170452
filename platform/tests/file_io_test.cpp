#include "platform/file_io.h"
#include "platform/testing/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace korvalis {
namespace {

namespace fs = std::filesystem;

class FileIoTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = folder_.path(); }

  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir_)) {
      out.push_back(e.path().filename().string());
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  korvalis::testing::TempFolder folder_{"korvalis-file-io"};
  fs::path dir_;
};

TEST_F(FileIoTest, AtomicWriteReplacesWholeAndLeavesNoTemporary) {
  const fs::path target = dir_ / "seite.jpg";
  ASSERT_TRUE(writeFileAtomically(target, std::string_view("old content")));
  ASSERT_TRUE(writeFileAtomically(target, std::string_view("new")));
  EXPECT_EQ(readWholeFile(target), "new");
  EXPECT_EQ(names(), std::vector<std::string>{"seite.jpg"});
  // A user's file that looks like a temporary name is never touched.
  const fs::path lookalike = dir_ / ".seite.jpg.XXXXXX";
  ASSERT_TRUE(writeFileAtomically(lookalike, std::string_view("mine")));
  ASSERT_TRUE(writeFileAtomically(target, std::string_view("third")));
  EXPECT_EQ(readWholeFile(lookalike), "mine");
}

TEST_F(FileIoTest, FailedWritesKeepTheTargetAndTheFolderClean) {
  std::error_code error;
  EXPECT_FALSE(writeFileAtomically(dir_ / "missing" / "x.png", std::string_view("x"), &error));
  EXPECT_TRUE(error);

  const fs::path target = dir_ / "liste.krl";
  ASSERT_TRUE(writeFileAtomically(target, std::string_view("kept")));
  {
    AtomicFileWriter abandoned(target);
    ASSERT_TRUE(abandoned.isOpen());
    ASSERT_TRUE(abandoned.write(std::span<const std::uint8_t>()));
  }  // destroyed without commit
  EXPECT_EQ(readWholeFile(target), "kept");

  AtomicFileWriter noReplace(target);
  const std::string bytes = "other";
  ASSERT_TRUE(noReplace.write(
      std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())));
  EXPECT_FALSE(noReplace.commit(/*replace=*/false));
  EXPECT_EQ(noReplace.lastError(), std::errc::file_exists);
  EXPECT_EQ(readWholeFile(target), "kept");
  EXPECT_EQ(names(), std::vector<std::string>{"liste.krl"});

  AtomicFileWriter fresh(dir_ / "neu.jpg");
  ASSERT_TRUE(fresh.write(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), 5)));
  EXPECT_TRUE(fresh.commit(/*replace=*/false));
  EXPECT_EQ(readWholeFile(dir_ / "neu.jpg"), "other");
}

TEST_F(FileIoTest, WholeFileReadRefusesFoldersMissingAndOversizedFiles) {
  ReadError why = ReadError::None;
  EXPECT_FALSE(readWholeFile(dir_, kDefaultReadCap, &why));
  EXPECT_EQ(why, ReadError::NotRegular);
  EXPECT_FALSE(readWholeFile(dir_ / "none", kDefaultReadCap, &why));
  EXPECT_EQ(why, ReadError::NotFound);
  ASSERT_TRUE(writeFileAtomically(dir_ / "ten", std::string_view("0123456789")));
  EXPECT_FALSE(readWholeFileBytes(dir_ / "ten", 9, &why));
  EXPECT_EQ(why, ReadError::TooLarge);
  const auto bytes = readWholeFileBytes(dir_ / "ten", 10, &why);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(bytes->size(), 10U);
  EXPECT_EQ(why, ReadError::None);
  ASSERT_TRUE(writeFileAtomically(dir_ / "empty", std::string_view()));
  EXPECT_EQ(readWholeFile(dir_ / "empty"), "");
}

}  // namespace
}  // namespace korvalis
