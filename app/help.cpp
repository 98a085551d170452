#include "app/help.h"

#include <filesystem>
#include <system_error>

#include "app/program_dir.h"

namespace korvalis {

namespace {
bool isFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}
}  // namespace

HelpShown showHelp(Platform& platform, const AppState& state) {
  const std::string dir = dataDirectory(state.programDir);
  const std::string compiled = dir + "Hilfe.chm";
  const std::string web = dir + "WebHelp/Index.htm";
  if (isFile(compiled) && platform.openDocument(compiled)) {
    return HelpShown::CompiledHelp;
  }
  if (isFile(web)) {
    // Where no program of the desktop opens the pages, the program shows them itself.
    if (platform.openDocument(web)) {
      return HelpShown::WebHelp;
    }
    platform.showHelpPages(web);
    return HelpShown::WebHelpInProgram;
  }
  if (isFile(compiled)) {
    return HelpShown::CompiledHelp;  // its handler failed, and there is nothing else to show
  }
  platform.message("", "Keine Hilfedatei gefunden.", MessageSign::Warning);
  return HelpShown::NotFound;
}

}  // namespace korvalis
