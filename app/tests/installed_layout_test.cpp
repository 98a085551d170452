#include <gtest/gtest.h>

#include <stdlib.h>
#include <filesystem>
#include <fstream>

#include "app/app_state_init.h"
#include "app/help.h"
#include "app/program_dir.h"
#include "platform/scripted/scripted_platform.h"

namespace korvalis {
namespace {

namespace fs = std::filesystem;

// The help and the sample are found beside the program (build folder) and in
// ../share/korvalis/ (installed), never under a fixed prefix.
TEST(InstalledLayout, DataFolderAndHelpBesideOrUnderShare) {
  char pattern[] = "/tmp/korvalis_layout_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const fs::path root = pattern;
  const auto touch = [](const fs::path& path) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "";
  };
  const std::string bin = (root / "bin").string() + "/";
  fs::create_directories(bin);
  const std::string share = (root / "share/korvalis").string() + "/";

  // Nothing anywhere: the program's folder, and the help's warning.
  EXPECT_EQ(dataDirectory(bin), bin);
  // Installed: the help and the sample under share/korvalis.
  touch(root / "share/korvalis/WebHelp/Index.htm");
  EXPECT_EQ(dataDirectory(bin), share);
  EXPECT_EQ(dataDirectory(root.string() + "/bin"), share);  // with or without the last '/'
  AppState state;
  initialiseAppState(state);
  setProgramDir(state, bin);
  ScriptedPlatform platform;
  EXPECT_EQ(showHelp(platform, state), HelpShown::WebHelp);
  ASSERT_EQ(platform.openedDocuments().size(), 1U);
  EXPECT_EQ(platform.openedDocuments()[0], share + "WebHelp/Index.htm");

  // A sample alone also marks the folder; the program's own folder comes first (build folder).
  fs::remove_all(root / "share");
  touch(root / "share/korvalis/Beispiel.krv");
  EXPECT_EQ(dataDirectory(bin), share);
  touch(root / "bin/WebHelp/Index.htm");
  EXPECT_EQ(dataDirectory(bin), bin);
  platform.clearRecord();
  EXPECT_EQ(showHelp(platform, state), HelpShown::WebHelp);
  ASSERT_EQ(platform.openedDocuments().size(), 1U);
  EXPECT_EQ(platform.openedDocuments()[0], bin + "WebHelp/Index.htm");

  fs::remove_all(root);
}

}  // namespace
}  // namespace korvalis
