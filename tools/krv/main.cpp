// krv: the companion command-line tool. Each cmd_*.cpp file registers its commands.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/app_state_init.h"
#include "archive/archive_address.h"
#include "tools/krv/command.h"
#include "tools/krv/terminal.h"

namespace korvalis::krv {
namespace {
std::vector<Command>& commandTable() {
  static std::vector<Command> table;
  return table;
}

void printCommandUsage(std::FILE* out, const char* lead, const Command& c) {
  std::fprintf(out, "%skrv %.*s %.*s\n", lead, static_cast<int>(c.name.size()), c.name.data(),
               static_cast<int>(c.usage.size()), c.usage.data());
}

void printUsage(std::FILE* out) {
  std::fputs(
      "usage: krv COMMAND [ARGUMENTS]\n       krv COMMAND --help | krv --help | krv --version\n"
      "\ncommands:\n",
      out);
  auto table = commandTable();
  std::sort(table.begin(), table.end(),
            [](const Command& a, const Command& b) { return a.name < b.name; });
  for (const Command& c : table) {
    printCommandUsage(out, "  ", c);
  }
  std::fputs("\nExit codes: 0 success, 1 refused input, 2 usage error. See krv(1).\n", out);
}
}  // namespace

bool registerCommand(const Command& command) {
  commandTable().push_back(command);
  return true;
}
}  // namespace korvalis::krv

int main(int argc, char** argv) {
  using namespace korvalis::krv;
  setUpTerminal();
  if (argc < 2) {
    printUsage(stderr);
    return kUsage;
  }
  const std::string name = argv[1];
  if (name == "--help" || name == "-h") {
    printUsage(stdout);
    return kOk;
  }
  if (name == "--version" || name == "-V") {
    std::printf("krv %.*s\n", static_cast<int>(korvalis::kProgramVersion.size()),
                korvalis::kProgramVersion.data());
    return kOk;
  }
  const std::vector<std::string> args(argv + 2, argv + argc);
  for (const Command& c : commandTable()) {
    if (c.name == name) {
      if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        printCommandUsage(stdout, "usage: ", c);
        return kOk;
      }
      // A damaged settings file is reported; the command runs with the built-in values.
      if (const auto fault = korvalis::readArchiveAddress().fault) {
        std::fprintf(stderr, "krv: %s\n",
                     terminalText(korvalis::settingsFaultLine(*fault)).c_str());
      }
      return c.run(args);
    }
  }
  std::fprintf(stderr, "krv: unknown command '%s'\n", name.c_str());
  printUsage(stderr);
  return kUsage;
}
