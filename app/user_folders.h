// The user's own folders on a Linux desktop, for the dialogs of an installed program: the XDG
// user directories (documents, pictures) and the state file that keeps the dialogs' last
// folders from one start of the program to the next.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "app/app_state.h"

namespace korvalis {

/// Where the user's folders are looked up: $HOME, $XDG_CONFIG_HOME (default ~/.config) and
/// $XDG_STATE_HOME (default ~/.local/state). Each ends with '/'; `home` is empty when $HOME is
/// not an absolute path, and the two XDG folders are then empty too unless set.
struct UserFolders {
  std::string home;
  std::string configHome;
  std::string stateHome;
};

/// The user's folders from the environment.
UserFolders userFoldersFromEnvironment();

/// An XDG user directory ("DOCUMENTS", "PICTURES") as user-dirs.dirs in the configuration
/// folder names it ("$HOME/..." or an absolute path), ending with '/'. The home folder where the
/// file, the entry or the folder itself is missing.
std::string xdgUserDir(const UserFolders& user, std::string_view name);

/// The program's state file, which also keeps the dialogs' last folders:
/// stateHome/korvalis/state (the file of program_state.h). Empty when there is no state folder.
std::filesystem::path dialogStateFile(const UserFolders& user);

/// Takes the dialogs' last folders (record file, page saving, link file, save list) from the
/// state file; a folder that no longer exists, a relative path or a damaged line is skipped and
/// its dialog keeps the folder it has.
void loadDialogFolders(AppState& state, const UserFolders& user);

/// Writes the dialogs' folders to the state file (atomically, making its folder), keeping its
/// other keys. False when it cannot be written.
bool saveDialogFolders(const AppState& state, const UserFolders& user);

}  // namespace korvalis
