#pragma once

#include <span>
#include <string>
#include <string_view>

namespace korvalis {

/// What the desktop program was asked to do on its command line.
struct CommandLine {
  enum class Action {
    Start,        ///< start; ask for the record file unless recordFile is set
    ShowVersion,  ///< print versionText() and end (exit code 0)
    ShowHelp,     ///< print commandLineUsage() and end (exit code 0)
    UsageError,   ///< print `error` and commandLineUsage() to standard error, end (exit code 2)
  };
  Action action = Action::Start;
  std::string recordFile;  ///< absolute, lexically normal path (UTF-8); "" to ask for one
  std::string error;       ///< what was wrong with the command line (English, one line)
};

/// Reads the program's arguments (without the program name): `--version` / `-V`, `--help` /
/// `-h`, at most one record file (a path, or a file:// address as file managers pass them; a
/// relative path is taken against `workingDirectory`), `--` ending the options. The toolkit's
/// own options (`-platform NAME`, `-style NAME`, `-reverse`, …) are passed over with their
/// values. Anything else is a usage error. The file is not opened here: an unreadable or
/// invalid file is the loader's matter.
CommandLine parseCommandLine(std::span<const std::string_view> args,
                             std::string_view workingDirectory);

/// The same for main()'s argc/argv; relative paths are taken against the current working
/// directory, so call it before the program changes its working directory.
CommandLine parseCommandLine(int argc, const char* const* argv);

/// "korvalis VERSION" with the program's version, ending with a line break.
std::string versionText();

/// The usage text (English), ending with a line break.
std::string commandLineUsage();

}  // namespace korvalis
