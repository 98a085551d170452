#include "app/command_line.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "app/app_state_init.h"

namespace korvalis {

namespace {

// The toolkit's own options, which it reads from the same command line (with one or two
// leading dashes, a value either in the next argument or after '=').
constexpr std::array<std::string_view, 15> kToolkitOptionsWithValue = {"platform",
                                                                       "platformpluginpath",
                                                                       "platformtheme",
                                                                       "plugin",
                                                                       "qwindowgeometry",
                                                                       "qwindowicon",
                                                                       "qwindowtitle",
                                                                       "display",
                                                                       "geometry",
                                                                       "title",
                                                                       "name",
                                                                       "style",
                                                                       "stylesheet",
                                                                       "session",
                                                                       "qmljsdebugger"};
constexpr std::array<std::string_view, 5> kToolkitFlags = {"reverse", "widgetcount", "nograb",
                                                           "dograb", "sync"};

template <std::size_t N>
bool contains(const std::array<std::string_view, N>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// The local path of a file:// address (percent escapes decoded); nothing for another host,
// a broken escape or an escaped NUL.
std::optional<std::string> pathOfFileUrl(std::string_view url) {
  std::string_view rest = url.substr(7);  // after "file://"
  if (rest.starts_with("localhost/")) {
    rest.remove_prefix(9);
  }
  if (!rest.starts_with('/')) {
    return std::nullopt;
  }
  std::string path;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] != '%') {
      path.push_back(rest[i]);
      continue;
    }
    unsigned int byte = 0;
    const std::string_view digits = rest.substr(i + 1, 2);
    const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), byte, 16);
    if (digits.size() != 2 || parsed.ptr != digits.data() + 2 || byte == 0) {
      return std::nullopt;
    }
    path.push_back(static_cast<char>(byte));
    i += 2;
  }
  return path;
}

CommandLine usageError(std::string error) {
  CommandLine line;
  line.action = CommandLine::Action::UsageError;
  line.error = std::move(error);
  return line;
}

}  // namespace

CommandLine parseCommandLine(std::span<const std::string_view> args,
                             std::string_view workingDirectory) {
  CommandLine result;
  std::vector<std::string_view> files;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (optionsEnded || !arg.starts_with('-') || arg == "-") {
      if (arg == "-") {
        return usageError("a record file cannot be read from standard input");
      }
      files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--version" || arg == "-V") {
      result.action = CommandLine::Action::ShowVersion;
    } else if (arg == "--help" || arg == "-h") {
      result.action = CommandLine::Action::ShowHelp;
    } else {
      std::string_view name = arg.substr(arg.starts_with("--") ? 2 : 1);
      const auto equals = name.find('=');
      const bool valueAttached = equals != std::string_view::npos;
      name = name.substr(0, equals);
      if (contains(kToolkitOptionsWithValue, name)) {
        if (!valueAttached && ++i == args.size()) {
          return usageError("option " + std::string(arg) + " needs a value");
        }
      } else if (!contains(kToolkitFlags, name) || valueAttached) {
        return usageError("unknown option " + std::string(arg));
      }
    }
  }
  if (result.action != CommandLine::Action::Start) {
    return result;  // --version and --help win over everything else that is well formed
  }
  if (files.size() > 1) {
    return usageError("only one record file can be opened");
  }
  if (files.empty()) {
    return result;
  }
  std::string path(files.front());
  if (path.starts_with("file://")) {
    const auto local = pathOfFileUrl(path);
    if (!local) {
      return usageError("not a local file address: " + path);
    }
    path = *local;
  }
  namespace fs = std::filesystem;
  fs::path file{path};
  if (file.is_relative()) {
    file = fs::path{std::string(workingDirectory)} / file;
  }
  result.recordFile = file.lexically_normal().string();
  return result;
}

CommandLine parseCommandLine(int argc, const char* const* argv) {
  std::vector<std::string_view> args;
  for (int i = 1; i < argc; ++i) {
    args.emplace_back(argv[i]);
  }
  std::error_code error;
  const std::string here = std::filesystem::current_path(error).string();
  return parseCommandLine(args, error ? std::string_view("/") : std::string_view(here));
}

std::string versionText() {
  return "korvalis " + std::string(kProgramVersion) + "\n";
}

std::string commandLineUsage() {
  return "usage: korvalis [FILE.krv]\n"
         "       korvalis --version | --help\n"
         "\n"
         "Opens the record file FILE.krv, or asks for one when none is given.\n"
         "See korvalis(1) for the settings file and the environment variables.\n";
}

}  // namespace korvalis
