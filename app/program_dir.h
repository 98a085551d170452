#pragma once

#include <string>
#include <string_view>

#include "app/app_state.h"
#include "app/user_folders.h"

namespace korvalis {

/// The full path of the running executable (UTF-8), from /proc/self/exe; when that cannot be
/// read, `argv0` made absolute against the working directory.
std::string executablePath(std::string_view argv0);

/// The directory part of a file path, ending with '/' ("" for a bare file name: "./").
std::string directoryOf(std::string_view path);

/// The folder holding the help (WebHelp/) and the sample record file, ending with '/': the
/// program's folder itself when it holds either (the build folder), else
/// `programDir`/../share/korvalis/ when that holds either (the installed layout), else the
/// program's folder.
std::string dataDirectory(std::string_view programDir);

/// Sets programDir and the folders the dialogs start in. The build folder (the help or the
/// sample beside the program, and the folder writable): every dialog starts in the program's
/// folder. An installed program (data under ../share/korvalis, or a folder the user cannot
/// write): the record-file dialog starts in the data folder, where the sample is, the page
/// save dialog (and the save window's target folder) in the user's pictures folder, the link
/// and save-list dialogs in the documents folder (XDG user dirs, else home); the folders kept
/// in the state file from the last run take their place, and rememberDialogFolders is set.
/// Without a home folder the program's folder stays for all.
void chooseStartFolders(AppState& state, const std::string& programDir, const UserFolders& user);

/// chooseStartFolders() for the executable's directory, which then becomes the working
/// directory. Returns false when the working directory cannot be changed; the folders are set
/// either way.
bool enterProgramDir(AppState& state, std::string_view argv0,
                     const UserFolders& user = userFoldersFromEnvironment());

}  // namespace korvalis
