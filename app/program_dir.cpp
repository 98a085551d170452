#include "app/program_dir.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "app/app_state_init.h"
#include "app/user_folders.h"

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

void chooseStartFolders(AppState& state, const std::string& programDir, const UserFolders& user) {
  setProgramDir(state, programDir);
  const std::string data = dataDirectory(state.programDir);
  const bool installed = fs::path(data) != fs::path(state.programDir).lexically_normal() ||
                         ::access(state.programDir.c_str(), W_OK) != 0;
  if (!installed) {
    return;  // the build folder: every dialog starts in the program's folder
  }
  // The record-file dialog starts where the sample is until a record file was chosen.
  state.session.recordDir = data;
  if (user.home.empty()) {
    return;
  }
  state.pageSaveDir = xdgUserDir(user, "PICTURES");
  state.linkDir = xdgUserDir(user, "DOCUMENTS");
  state.saveListDir = state.linkDir;
  loadDialogFolders(state, user);
  state.rememberDialogFolders = true;
}

bool enterProgramDir(AppState& state, std::string_view argv0, const UserFolders& user) {
  chooseStartFolders(state, directoryOf(executablePath(argv0)), user);
  std::error_code error;
  fs::current_path(state.programDir, error);
  return !error;
}

}  // namespace korvalis
