// krv: the companion command-line tool. Each cmd_*.cpp file registers its commands.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/krv/command.h"

namespace korvalis::krv {
namespace {
std::vector<Command>& commandTable() {
  static std::vector<Command> table;
  return table;
}

void printUsage() {
  std::fputs("usage: krv COMMAND [ARGUMENTS]\n\ncommands:\n", stderr);
  auto table = commandTable();
  std::sort(table.begin(), table.end(),
            [](const Command& a, const Command& b) { return a.name < b.name; });
  for (const Command& c : table) {
    std::fprintf(stderr, "  krv %.*s %.*s\n", static_cast<int>(c.name.size()), c.name.data(),
                 static_cast<int>(c.usage.size()), c.usage.data());
  }
}
}  // namespace

bool registerCommand(const Command& command) {
  commandTable().push_back(command);
  return true;
}
}  // namespace korvalis::krv

int main(int argc, char** argv) {
  using namespace korvalis::krv;
  if (argc < 2) {
    printUsage();
    return kUsage;
  }
  const std::string name = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  for (const Command& c : commandTable()) {
    if (c.name == name) {
      return c.run(args);
    }
  }
  std::fprintf(stderr, "krv: unknown command '%s'\n", name.c_str());
  printUsage();
  return kUsage;
}
