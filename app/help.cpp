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
  if (isFile(compiled)) {
    platform.openDocument(compiled);
    return HelpShown::CompiledHelp;
  }
  const std::string web = dir + "WebHelp/Index.htm";
  if (isFile(web)) {
    platform.openDocument(web);
    return HelpShown::WebHelp;
  }
  platform.message("", "Keine Hilfedatei gefunden.", MessageSign::Warning);
  return HelpShown::NotFound;
}

}  // namespace korvalis
