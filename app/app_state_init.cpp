#include "app/app_state_init.h"

#include "archive/archive_address.h"

namespace korvalis {

namespace {
constexpr std::string_view kImageFilter =
    "KRV-Dokument (BMP)|*.bmp|KRV-Dokument (JPG)|*.jpg|KRV-Dokument (PNG)|*.png";
}  // namespace

std::string buildAboutHtml(std::string_view version) {
  std::string html =
      "<html><head><title></title></head><body oncontextmenu=\"return false;\""
      "><br><h2><center>Korvalis<h5> Version ";
  html += version;
  html += "<br>";
  html += "</center></body></html>";
  return html;
}

void initialiseAppState(AppState& state) {
  state = AppState{};
  state.version = std::string(kProgramVersion);

  state.imageFilterWithTiff = std::string(kImageFilter) + "|KRV-Dokument (TIFF)|*.tiff";
  state.imageFilterWithPdf = std::string(kImageFilter) + "|KRV-Dokument (PDF)|*.pdf";

  state.request.servicePrefix = archiveBaseUrl() + "/das/v2/";
  state.request.errorPageHtml =
      "<html><head><title>Fehler</title><br></head><h2><center>Seite nicht verf\xFC"
      "gbar.</center></h2></head>"
      "<body oncontextmenu=\"return false;\"</html>";
  state.siteUrl = archiveSiteUrl();
  state.aboutHtml = buildAboutHtml(state.version);
}

void setProgramDir(AppState& state, std::string dir) {
  if (dir.empty() || dir.back() != '/') {
    dir.push_back('/');
  }
  state.programDir = dir;
  state.pageSaveDir = dir;
  state.session.recordDir = dir;
  state.linkDir = dir;
  state.saveListDir = dir;
}

}  // namespace korvalis
