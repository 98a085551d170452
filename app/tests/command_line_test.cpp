#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "app/app_state_init.h"
#include "app/command_line.h"

namespace korvalis {
namespace {

using Action = CommandLine::Action;

struct Case {
  const char* name;
  std::vector<std::string_view> args;
  Action action;
  std::string recordFile;
};

TEST(CommandLine, ArgumentsToActionAndFile) {
  const Case cases[] = {
      {"nothing asks for the file", {}, Action::Start, ""},
      {"relative file", {"a.krv"}, Action::Start, "/home/u/d/a.krv"},
      {"relative file with dots", {"../x/./a.krv"}, Action::Start, "/home/u/x/a.krv"},
      {"absolute file", {"/srv/B.krv"}, Action::Start, "/srv/B.krv"},
      {"file address with escapes",
       {"file:///tmp/a%20b%C3%A4.krv"},
       Action::Start,
       "/tmp/a b\xC3\xA4.krv"},
      {"file address on localhost", {"file://localhost/a.krv"}, Action::Start, "/a.krv"},
      {"file address of another host", {"file://host/a.krv"}, Action::UsageError, ""},
      {"cut escape", {"file:///a%2"}, Action::UsageError, ""},
      {"escaped NUL", {"file:///a%00b"}, Action::UsageError, ""},
      {"version", {"--version"}, Action::ShowVersion, ""},
      {"short version with a file", {"-V", "a.krv"}, Action::ShowVersion, ""},
      {"help", {"--help"}, Action::ShowHelp, ""},
      {"short help", {"-h"}, Action::ShowHelp, ""},
      {"toolkit option and its value",
       {"-platform", "offscreen", "a.krv"},
       Action::Start,
       "/home/u/d/a.krv"},
      {"toolkit option with two dashes and =",
       {"--style=fusion", "a.krv"},
       Action::Start,
       "/home/u/d/a.krv"},
      {"toolkit option without its value", {"a.krv", "-platform"}, Action::UsageError, ""},
      {"toolkit flag", {"-reverse"}, Action::Start, ""},
      {"toolkit flag with a value", {"-reverse=1"}, Action::UsageError, ""},
      {"unknown option", {"--frobnicate"}, Action::UsageError, ""},
      {"unknown option beside version", {"--version", "--frobnicate"}, Action::UsageError, ""},
      {"two files", {"a.krv", "b.krv"}, Action::UsageError, ""},
      {"file named like an option after --", {"--", "-x.krv"}, Action::Start, "/home/u/d/-x.krv"},
      {"standard input", {"-"}, Action::UsageError, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CommandLine line = parseCommandLine(c.args, "/home/u/d");
    EXPECT_EQ(line.action, c.action);
    EXPECT_EQ(line.recordFile, c.recordFile);
    EXPECT_EQ(line.error.empty(), c.action != Action::UsageError) << line.error;
  }
}

TEST(CommandLine, ArgvIsTakenAgainstTheCurrentDirectoryAndVersionIsTheProgramsOwn) {
  const char* argv[] = {"korvalis", "sub/Beispiel.krv"};
  const CommandLine line = parseCommandLine(2, argv);
  EXPECT_EQ(line.action, Action::Start);
  EXPECT_EQ(line.recordFile, (std::filesystem::current_path() / "sub/Beispiel.krv").string());

  EXPECT_EQ(versionText(), "korvalis " + std::string(kProgramVersion) + "\n");
}

}  // namespace
}  // namespace korvalis
