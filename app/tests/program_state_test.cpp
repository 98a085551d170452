#include "app/program_state.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

namespace korvalis {
namespace {

namespace fs = std::filesystem;

TEST(ProgramState, ValuesAreFoundAndReplacedByTheirWholeKey) {
  const std::string text = "# kept\r\nprinter2=Zwei\r\nkaputt\r\nprinter=Buero\r\nprinter=Alt\r\n";
  EXPECT_EQ(stateValue(text, "printer"), "Buero");
  EXPECT_EQ(stateValue(text, "printer2"), "Zwei");
  EXPECT_EQ(stateValue(text, "kaputt"), std::nullopt);  // no '='
  EXPECT_EQ(stateValue(text, "print"), std::nullopt);
  EXPECT_EQ(stateValue(text, ""), std::nullopt);
  EXPECT_EQ(stateValue("printer=", "printer"), "");
  EXPECT_EQ(stateValue("a=b=c", "a"), "b=c");

  // The first line of the key is replaced, later ones dropped, every other line kept.
  EXPECT_EQ(withStateValue(text, "printer", "Korvalis_PDF"),
            "# kept\nprinter2=Zwei\nkaputt\nprinter=Korvalis_PDF\n");
  EXPECT_EQ(withStateValue("a=1", "b", "2"), "a=1\nb=2\n");
  EXPECT_EQ(withStateValue("", "b", "M\xC3\xBChle"), "b=M\xC3\xBChle\n");
}

// The state file under XDG_STATE_HOME (else ~/.local/state): folders made on the first write,
// other keys kept, nothing left beside it, unsafe keys and values refused.
TEST(ProgramState, StateFileKeepsItsValuesAcrossWrites) {
  char pattern[] = "/tmp/korvalis_state_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const fs::path root = pattern;
  const char* oldHome = std::getenv("HOME");
  const std::string home = oldHome != nullptr ? oldHome : "";
  setenv("HOME", (root / "home").c_str(), 1);
  setenv("XDG_STATE_HOME", "relativ", 1);  // not absolute: not taken
  EXPECT_EQ(stateFilePath(), (root / "home/.local/state/korvalis/state").string());
  setenv("XDG_STATE_HOME", (root / "state").c_str(), 1);
  const fs::path file = root / "state/korvalis/state";
  EXPECT_EQ(stateFilePath(), file.string());

  EXPECT_EQ(readStateValue("printer"), std::nullopt);
  EXPECT_TRUE(writeStateValue("printer", "Buero"));
  EXPECT_TRUE(writeStateValue("folder", "/tmp/a b"));
  EXPECT_TRUE(writeStateValue("printer", "Korvalis_PDF"));
  EXPECT_EQ(readStateValue("printer"), "Korvalis_PDF");
  EXPECT_EQ(readStateValue("folder"), "/tmp/a b");
  EXPECT_FALSE(writeStateValue("printer", "zwei\nZeilen"));
  EXPECT_FALSE(writeStateValue("a=b", "x"));
  EXPECT_FALSE(writeStateValue("", "x"));
  EXPECT_EQ(readStateValue("printer"), "Korvalis_PDF");
  int files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(file.parent_path())) {
    ++files;
  }
  EXPECT_EQ(files, 1);

  // A state file too large to be one is not read, and a write replaces it.
  std::ofstream(file) << std::string(70 * 1024, 'x');
  EXPECT_EQ(readStateValue("printer"), std::nullopt);
  EXPECT_TRUE(writeStateValue("printer", "Buero"));
  EXPECT_EQ(fs::file_size(file), std::string("printer=Buero\n").size());

  unsetenv("XDG_STATE_HOME");
  if (oldHome != nullptr) {
    setenv("HOME", home.c_str(), 1);
  }
  fs::remove_all(root);
}

}  // namespace
}  // namespace korvalis
