#include "app/program_dir.h"

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

bool enterProgramDir(AppState& state, std::string_view argv0) {
  setProgramDir(state, directoryOf(executablePath(argv0)));
  std::error_code error;
  fs::current_path(state.programDir, error);
  return !error;
}

}  // namespace korvalis
