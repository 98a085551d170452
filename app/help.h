#pragma once

#include "app/app_state.h"
#include "platform/platform.h"

namespace korvalis {

/// Which help showHelp() opened.
enum class HelpShown { CompiledHelp, WebHelp, WebHelpInProgram, NotFound };

/// Opens the help: "Hilfe.chm" in the data folder (dataDirectory() of programDir: the program's
/// folder, or ../share/korvalis/ beside it when installed) when that file exists, else
/// "WebHelp/Index.htm" under the data folder when it exists, both with the
/// desktop's document handler; else shows "Keine Hilfedatei gefunden." (empty title, warning
/// sign). Where the desktop opens neither (no program handles it), the WebHelp pages are shown
/// in the program's own help window (Platform::showHelpPages); the help always opens.
HelpShown showHelp(Platform& platform, const AppState& state);

}  // namespace korvalis
