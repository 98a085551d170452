#pragma once

#include <string>
#include <string_view>

namespace korvalis {

/// The HTML of the start-up notice: mode 1 the start-up text, mode 2 the loading text shown
/// around later loads; any other mode "" (mode 0 closes the notice).
std::string startupNoticeHtml(int mode, std::string_view version);

}  // namespace korvalis
