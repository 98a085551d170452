#pragma once
// Runs the krv executable as a separate process, the way a user runs it, for the tests of
// each subsystem's krv commands.

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/file_io.h"

namespace korvalis::testing {

/// What one krv run printed and returned.
struct KrvRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

/// The whole content of a file; empty when it cannot be read.
inline std::string readFileText(const std::filesystem::path& path) {
  return readWholeFile(path).value_or(std::string());
}

/// A path in single quotes for the shell (the tests' folders hold no quote).
inline std::string shellQuoted(const std::filesystem::path& path) {
  std::string quoted(1, '\'');
  quoted += path.string();
  quoted += '\'';
  return quoted;
}

/// Runs `krv` with `args` (already quoted for the shell), preceded by `environment`
/// ("NAME='value' ..."), with standard output and error captured in files under `dir`.
/// krv runs in the C locale, so its texts keep their Windows-1252 bytes, unless `environment`
/// names another (LC_ALL=C.UTF-8: texts in UTF-8).
inline KrvRun runKrv(const std::filesystem::path& krv, const std::filesystem::path& dir,
                     const std::string& args, const std::string& environment = {}) {
  const std::filesystem::path out = dir / "krv_stdout.txt";
  const std::filesystem::path err = dir / "krv_stderr.txt";
  const std::string command = "LC_ALL=C " + environment + (environment.empty() ? "" : " ") + "'" +
                              krv.string() + "' " + args + " >'" + out.string() + "' 2>'" +
                              err.string() + "'";
  const int status = std::system(command.c_str());
  KrvRun run;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = readFileText(out);
  run.err = readFileText(err);
  return run;
}

}  // namespace korvalis::testing
