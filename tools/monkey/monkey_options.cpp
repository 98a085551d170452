#include "tools/monkey/monkey_options.h"

#include <charconv>
#include <chrono>

namespace korvalis::monkey {

namespace {
template <typename T>
bool parseNumber(const std::string& text, T& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}
}  // namespace

std::optional<MonkeyOptions> parseMonkeyOptions(const std::vector<std::string>& args,
                                                std::string& error) {
  MonkeyOptions options;
  options.seed =
      static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) %
      1000000000U;
  bool secondsGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (i + 1 >= args.size()) {
      error = "missing value after " + option;
      return std::nullopt;
    }
    const std::string& value = args[++i];
    bool ok = false;
    if (option == "--seconds") {
      ok = parseNumber(value, options.seconds) && options.seconds > 0;
      secondsGiven = ok;
    } else if (option == "--seed") {
      ok = parseNumber(value, options.seed);
    } else if (option == "--stall-limit") {
      ok = parseNumber(value, options.stallLimitMs) && options.stallLimitMs > 0;
    } else if (option == "--server-faults") {
      ok = value == "on" || value == "off";
      options.serverFaults = value == "on";
    } else {
      error = "unknown option " + option;
      return std::nullopt;
    }
    if (!ok) {
      error = "bad value for " + option + ": " + value;
      return std::nullopt;
    }
  }
  if (!secondsGiven) {
    error = "--seconds is required";
    return std::nullopt;
  }
  return options;
}

}  // namespace korvalis::monkey
