#pragma once

#include <string>
#include <string_view>

#include "app/app_state.h"

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

/// Sets programDir (and the directories that start there) to the executable's directory and
/// makes it the working directory. In the installed layout (dataDirectory() is not the
/// program's folder) the record-file dialog starts in the data folder, where the sample is,
/// and the save dialogs in the home folder ($HOME) instead of the program's folder, which the
/// user cannot write. Returns false when the working directory cannot be changed; the
/// directories are set either way.
bool enterProgramDir(AppState& state, std::string_view argv0);

}  // namespace korvalis
