#pragma once

#include <span>
#include <string>
#include <string_view>

namespace korvalis::krv {

/// Exit codes of krv: 0 success, 1 a refused input (reason on standard error), 2 a usage error.
inline constexpr int kOk = 0;
inline constexpr int kRefused = 1;
inline constexpr int kUsage = 2;

/// One krv command: its name, a one-line usage text and the function that runs it with the
/// arguments after the command name.
struct Command {
  std::string_view name;
  std::string_view usage;
  int (*run)(std::span<const std::string> args);
};

/// Adds a command to the table; used through KRV_COMMAND in the cmd_*.cpp files.
bool registerCommand(const Command& command);

}  // namespace korvalis::krv

#define KRV_CONCAT_INNER(a, b) a##b
#define KRV_CONCAT(a, b) KRV_CONCAT_INNER(a, b)
/// Registers a krv command at start-up: KRV_COMMAND("check", "FILE.krv", runCheck);
#define KRV_COMMAND(name, usage, fn)                                                           \
  namespace {                                                                                  \
  const bool KRV_CONCAT(krvRegistered,                                                         \
                        __LINE__) = ::korvalis::krv::registerCommand(::korvalis::krv::Command{ \
      name, usage, fn});                                                                       \
  }
