#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>

#include "app/app_state_init.h"
#include "app/help.h"
#include "app/platform_gate.h"
#include "app/program_dir.h"
#include "app/startup_notice_text.h"
#include "platform/scripted/scripted_platform.h"
#include "platform/testing/temp_folder.h"

namespace korvalis {
namespace {

namespace fs = std::filesystem;

TEST(PlatformGate, VersionsAndTheMessage) {
  EXPECT_EQ(parseVersion("6.4.2"), (VersionNumber{6, 4, 2}));
  EXPECT_EQ(parseVersion("6.1.0-18-amd64"), (VersionNumber{6, 1, 0}));
  EXPECT_EQ(parseVersion("5.10"), (VersionNumber{5, 10, 0}));
  EXPECT_EQ(parseVersion("4.19.0+1"), (VersionNumber{4, 19, 0}));
  EXPECT_EQ(parseVersion(""), (VersionNumber{0, 0, 0}));
  EXPECT_EQ(parseVersion("abc"), (VersionNumber{0, 0, 0}));
  EXPECT_GE(kernelVersion(), kMinimumKernel);  // the machine running the tests is supported

  ScriptedPlatform platform;
  EXPECT_TRUE(passPlatformGate(platform, {{6, 2, 0}, {4, 4, 0}}));
  EXPECT_TRUE(passPlatformGate(platform, {{6, 4, 2}, {6, 1, 0}}));
  EXPECT_TRUE(platform.messages().empty());

  const PlatformVersion tooOld[] = {{{6, 1, 3}, {6, 1, 0}},
                                    {{5, 15, 2}, {6, 1, 0}},
                                    {{6, 4, 2}, {4, 3, 99}},
                                    {{6, 4, 2}, {0, 0, 0}}};
  for (const PlatformVersion& version : tooOld) {
    platform.clearRecord();
    EXPECT_FALSE(passPlatformGate(platform, version));
    ASSERT_EQ(platform.messages().size(), 1U);
    EXPECT_EQ(platform.messages()[0].title, "Hinweis:");
    EXPECT_EQ(platform.messages()[0].text,
              "Dieses Programm ben\xF6tigt als Betriebssystem\rmindestens Windows XP.");
    EXPECT_EQ(platform.messages()[0].buttons, MessageButtons::Ok);
  }
}

class HelpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = folder_.path();
    initialiseAppState(state_);
    setProgramDir(state_, dir_.string());
  }
  void touch(const fs::path& relative) {
    fs::create_directories((dir_ / relative).parent_path());
    std::ofstream(dir_ / relative) << "";  // an empty file counts: its size is 0
  }

  korvalis::testing::TempFolder folder_{"korvalis-help"};
  fs::path dir_;
  AppState state_;
  ScriptedPlatform platform_;
};

TEST_F(HelpTest, CompiledHelpComesFirst) {
  touch("Hilfe.chm");
  touch("WebHelp/Index.htm");
  EXPECT_EQ(showHelp(platform_, state_), HelpShown::CompiledHelp);
  ASSERT_EQ(platform_.openedDocuments().size(), 1U);
  EXPECT_EQ(platform_.openedDocuments()[0], state_.programDir + "Hilfe.chm");
  EXPECT_TRUE(platform_.messages().empty());
}

TEST_F(HelpTest, WebHelpWhenNoCompiledHelp) {
  touch("WebHelp/Index.htm");
  fs::create_directories(dir_ / "Hilfe.chm.d");  // neither a folder nor another name counts
  EXPECT_EQ(showHelp(platform_, state_), HelpShown::WebHelp);
  ASSERT_EQ(platform_.openedDocuments().size(), 1U);
  EXPECT_EQ(platform_.openedDocuments()[0], state_.programDir + "WebHelp/Index.htm");
}

// A desktop without a program for the pages: the program shows them itself, also when the
// compiled help's handler fails first.
TEST_F(HelpTest, PagesShownInTheProgramWhenNoProgramOpensThem) {
  touch("WebHelp/Index.htm");
  platform_.openDocumentResult = false;
  EXPECT_EQ(showHelp(platform_, state_), HelpShown::WebHelpInProgram);
  touch("Hilfe.chm");
  EXPECT_EQ(showHelp(platform_, state_), HelpShown::WebHelpInProgram);
  const std::vector<std::string> index(2, state_.programDir + "WebHelp/Index.htm");
  EXPECT_EQ(platform_.helpPagesShown(), index);
  EXPECT_TRUE(platform_.messages().empty());
}

TEST_F(HelpTest, NoHelpFileGivesTheWarning) {
  fs::create_directories(dir_ / "Hilfe.chm");  // a folder is not a help file
  fs::create_directories(dir_ / "WebHelp");
  platform_.openDocumentResult = false;
  EXPECT_EQ(showHelp(platform_, state_), HelpShown::NotFound);
  EXPECT_TRUE(platform_.openedDocuments().empty());
  ASSERT_EQ(platform_.messages().size(), 1U);
  EXPECT_EQ(platform_.messages()[0].title, "");
  EXPECT_EQ(platform_.messages()[0].text, "Keine Hilfedatei gefunden.");
  EXPECT_EQ(platform_.messages()[0].sign, MessageSign::Warning);
}

TEST(StartupNotice, TextsOfTheModes) {
  EXPECT_EQ(startupNoticeHtml(1, "2.4.6d"),
            "<html><h4><center>Korvalis v2.4.6d<br><br>wird gestartet<br><br>"
            "Datendatei wird geladen");
  EXPECT_EQ(startupNoticeHtml(2, "2.4.6d"),
            "<html><h4><center><br>Korvalis v2.4.6d<br><br>Datendatei wird geladen");
  EXPECT_EQ(startupNoticeHtml(0, "2.4.6d"), "");
}

TEST(ProgramDir, TheExecutablesFolderBecomesTheWorkingDirectory) {
  EXPECT_EQ(directoryOf("/usr/bin/korvalis"), "/usr/bin/");
  EXPECT_EQ(directoryOf("/korvalis"), "/");
  EXPECT_EQ(directoryOf("korvalis"), "./");

  const fs::path before = fs::current_path();
  AppState state;
  initialiseAppState(state);
  ASSERT_TRUE(enterProgramDir(state, "ignored"));
  const fs::path exe = fs::read_symlink("/proc/self/exe");
  EXPECT_EQ(state.programDir, exe.parent_path().string() + "/");
  EXPECT_EQ(state.session.recordDir, state.programDir);
  EXPECT_EQ(fs::current_path().string() + "/", state.programDir);
  fs::current_path(before);
}

}  // namespace
}  // namespace korvalis
