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

/// Sets programDir (and the directories that start there) to the executable's directory and
/// makes it the working directory. Returns false when the working directory cannot be
/// changed; the directories are set either way.
bool enterProgramDir(AppState& state, std::string_view argv0);

}  // namespace korvalis
