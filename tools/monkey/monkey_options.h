// The monkey's command line: korvalis_monkey --seconds N [--seed S] [--server-faults on|off]
// [--stall-limit MS].
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvalis::monkey {

struct MonkeyOptions {
  int seconds = 60;
  std::uint64_t seed = 0;
  bool serverFaults = true;
  /// A gap of the event loop longer than this outside modal windows is a fault.
  int stallLimitMs = 100;
};

/// Parses the arguments after the program name; nothing (with `error` set) for a bad one.
/// Without --seed the seed is taken from the clock, so every run can be replayed by its seed.
std::optional<MonkeyOptions> parseMonkeyOptions(const std::vector<std::string>& args,
                                                std::string& error);

inline constexpr const char* kMonkeyUsage =
    "usage: korvalis_monkey --seconds N [--seed S] [--server-faults on|off] [--stall-limit MS]";

}  // namespace korvalis::monkey
