// krv printers and krv print in krv itself: they run in the helper program krv-print (the one
// part of krv that loads the toolkit), which krv finds beside itself in a build folder or in
// the installed helper folder, and replaces itself with.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <vector>

#include "tools/krv/command.h"
#include "tools/krv/print_commands.h"

namespace {

namespace fs = std::filesystem;
using korvalis::krv::kRefused;

/// krv-print beside this program, or in the helper folder of an installed tree.
std::optional<fs::path> printHelper() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (error) {
    return std::nullopt;
  }
  const fs::path folder = self.parent_path();
  for (const fs::path& candidate :
       {folder / korvalis::krv::kPrintHelperName,
        (folder / KRV_PRINT_HELPER_FROM_BIN / korvalis::krv::kPrintHelperName)
            .lexically_normal()}) {
    if (::access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
  }
  return std::nullopt;
}

/// Runs `command` with `args` in krv-print; returns only when that cannot be started.
int handOver(std::string_view command, std::span<const std::string> args) {
  const auto helper = printHelper();
  if (!helper) {
    std::cerr << "krv " << command << ": " << korvalis::krv::kPrintHelperName
              << " is missing (it runs the print commands)\n";
    return kRefused;
  }
  std::vector<std::string> words{helper->string(), std::string(command)};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) {
    argv.push_back(word.data());
  }
  argv.push_back(nullptr);
  std::fflush(nullptr);
  ::execv(helper->c_str(), argv.data());
  std::perror(("krv " + std::string(command) + ": " + helper->string()).c_str());
  return kRefused;
}

int runPrinters(std::span<const std::string> args) {
  return handOver(korvalis::krv::kPrintersCommand, args);
}

int runPrint(std::span<const std::string> args) {
  return handOver(korvalis::krv::kPrintCommand, args);
}

}  // namespace

KRV_COMMAND(korvalis::krv::kPrintersCommand, korvalis::krv::kPrintersUsage, runPrinters)
KRV_COMMAND(korvalis::krv::kPrintCommand, korvalis::krv::kPrintUsage, runPrint)
