#include "app/program_dir.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "app/app_state_init.h"

namespace korvalis {

namespace fs = std::filesystem;

std::string executablePath(std::string_view argv0) {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (!error && !self.empty()) {
    return self.string();
  }
  const fs::path given{std::string(argv0)};
  return fs::absolute(given, error).lexically_normal().string();
}

std::string directoryOf(std::string_view path) {
  const auto slash = path.rfind('/');
  if (slash == std::string_view::npos) {
    return "./";
  }
  return std::string(path.substr(0, slash + 1));
}

std::string dataDirectory(std::string_view programDir) {
  const fs::path program{std::string(programDir)};
  for (const fs::path& candidate : {program, program / "../share/korvalis"}) {
    std::error_code error;
    if (fs::is_directory(candidate / "WebHelp", error) ||
        fs::is_regular_file(candidate / "Beispiel.krv", error)) {
      std::string dir = candidate.lexically_normal().string();
      if (dir.empty() || dir.back() != '/') {
        dir.push_back('/');
      }
      return dir;
    }
  }
  return std::string(programDir);
}

bool enterProgramDir(AppState& state, std::string_view argv0) {
  setProgramDir(state, directoryOf(executablePath(argv0)));
  const std::string data = dataDirectory(state.programDir);
  if (fs::path(data) != fs::path(state.programDir).lexically_normal()) {
    state.session.recordDir = data;
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home == '/') {
      const std::string homeDir =
          std::string(home) + (std::string_view(home).ends_with('/') ? "" : "/");
      state.pageSaveDir = homeDir;
      state.linkDir = homeDir;
      state.saveListDir = homeDir;
    }
  }
  std::error_code error;
  fs::current_path(state.programDir, error);
  return !error;
}

}  // namespace korvalis
