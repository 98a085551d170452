#pragma once

#include <string>
#include <string_view>

#include "app/app_state.h"

namespace korvalis {

/// The program's version text.
inline constexpr std::string_view kProgramVersion = "2.4.6d";

/// Fills `state` with the start values of every field (identity, scales, filters, archive
/// addresses, HTML texts, view and request state). The directories are left empty until
/// setProgramDir(); the archive addresses come from archiveBaseUrl() and archiveSiteUrl().
void initialiseAppState(AppState& state);

/// Sets programDir and the four directories that start there (recordDir, pageSaveDir,
/// linkDir, saveListDir). A '/' is appended when `dir` does not end with one.
void setProgramDir(AppState& state, std::string dir);

/// The About page shown in the HTML view, for the given version text.
std::string buildAboutHtml(std::string_view version);

}  // namespace korvalis
