#include "app/user_folders.h"

#include <array>
#include <cstdlib>
#include <optional>
#include <system_error>
#include <utility>

#include "app/program_state.h"
#include "platform/file_io.h"

namespace korvalis {

namespace fs = std::filesystem;

namespace {

/// Larger files are no state file or user-dirs.dirs of ours.
constexpr std::uint64_t kSmallFileCap = 64 * 1024;

std::string withSlash(std::string dir) {
  if (!dir.empty() && dir.back() != '/') {
    dir.push_back('/');
  }
  return dir;
}

/// An absolute path from the environment variable `name`, ending with '/'; nothing otherwise.
std::optional<std::string> absoluteFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] != '/') {
    return std::nullopt;
  }
  return withSlash(value);
}

bool isFolder(const std::string& path) {
  std::error_code error;
  return !path.empty() && path.front() == '/' && fs::is_directory(path, error);
}

/// The lines of a small text file; empty when it cannot be read.
std::vector<std::string_view> linesOf(const std::string& text) {
  std::vector<std::string_view> lines;
  std::string_view rest = text;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    lines.push_back(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  }
  return lines;
}

/// The dialogs' folders in the state file, by key.
std::array<std::pair<std::string_view, std::string AppState::*>, 3> sharedFolderKeys() {
  return {{{"pageSaveDir", &AppState::pageSaveDir},
           {"linkDir", &AppState::linkDir},
           {"saveListDir", &AppState::saveListDir}}};
}

constexpr std::string_view kRecordDirKey = "recordDir";

}  // namespace

UserFolders userFoldersFromEnvironment() {
  UserFolders user;
  user.home = absoluteFromEnvironment("HOME").value_or("");
  const std::string fallbackConfig = user.home.empty() ? "" : user.home + ".config/";
  const std::string fallbackState = user.home.empty() ? "" : user.home + ".local/state/";
  user.configHome = absoluteFromEnvironment("XDG_CONFIG_HOME").value_or(fallbackConfig);
  user.stateHome = absoluteFromEnvironment("XDG_STATE_HOME").value_or(fallbackState);
  return user;
}

std::string xdgUserDir(const UserFolders& user, std::string_view name) {
  if (user.configHome.empty()) {
    return user.home;
  }
  const std::optional<std::string> text =
      readWholeFile(user.configHome + "user-dirs.dirs", kSmallFileCap);
  if (!text) {
    return user.home;
  }
  // Lines of the form XDG_DOCUMENTS_DIR="$HOME/Dokumente" or XDG_..._DIR="/absolute/path".
  const std::string key = "XDG_" + std::string(name) + "_DIR=\"";
  for (const std::string_view line : linesOf(*text)) {
    if (!line.starts_with(key) || !line.ends_with('"') || line.size() < key.size() + 1) {
      continue;
    }
    const std::string_view value = line.substr(key.size(), line.size() - key.size() - 1);
    std::string folder;
    if (value.starts_with("$HOME/") && !user.home.empty()) {
      folder = user.home + std::string(value.substr(6));
    } else if (value.starts_with('/')) {
      folder = std::string(value);
    }
    folder = withSlash(std::move(folder));
    if (isFolder(folder)) {
      return folder;
    }
  }
  return user.home;
}

fs::path dialogStateFile(const UserFolders& user) {
  return user.stateHome.empty() ? fs::path() : fs::path(user.stateHome) / "korvalis/state";
}

void loadDialogFolders(AppState& state, const UserFolders& user) {
  const fs::path file = dialogStateFile(user);
  if (file.empty()) {
    return;
  }
  const std::optional<std::string> text = readWholeFile(file, kSmallFileCap);
  if (!text) {
    return;
  }
  // A kept folder that has gone since is passed over: its dialog starts where it would anew.
  const auto keptFolder = [&text](std::string_view key) -> std::optional<std::string> {
    const std::optional<std::string> value = stateValue(*text, key);
    if (!value) {
      return std::nullopt;
    }
    std::string folder = withSlash(*value);
    return isFolder(folder) ? std::optional<std::string>(std::move(folder)) : std::nullopt;
  };
  if (auto folder = keptFolder(kRecordDirKey)) {
    state.session.recordDir = std::move(*folder);
  }
  for (const auto& [name, member] : sharedFolderKeys()) {
    if (auto folder = keptFolder(name)) {
      state.*member = std::move(*folder);
    }
  }
}

bool saveDialogFolders(const AppState& state, const UserFolders& user) {
  const fs::path file = dialogStateFile(user);
  if (file.empty()) {
    return false;
  }
  // The other things the program keeps there (the printer chosen) stay as they are.
  std::string text = readWholeFile(file, kSmallFileCap).value_or(std::string());
  const auto add = [&text](std::string_view key, const std::string& folder) {
    // A folder name with a line break cannot be kept in this file; its dialog starts anew.
    if (!folder.empty() && folder.find_first_of("\r\n") == std::string::npos) {
      text = withStateValue(text, key, folder);
    }
  };
  add(kRecordDirKey, state.session.recordDir);
  for (const auto& [name, member] : sharedFolderKeys()) {
    add(name, state.*member);
  }
  std::error_code error;
  fs::create_directories(file.parent_path(), error);
  return writeFileAtomically(file, text);
}

}  // namespace korvalis
