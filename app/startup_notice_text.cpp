#include "app/startup_notice_text.h"

namespace korvalis {

std::string startupNoticeHtml(int mode, std::string_view version) {
  std::string html;
  if (mode == 1) {
    html = "<html><h4><center>Korvalis v";
    html += version;
    html += "<br><br>wird gestartet<br><br>Datendatei wird geladen";
  } else if (mode == 2) {
    html = "<html><h4><center><br>Korvalis v";
    html += version;
    html += "<br><br>Datendatei wird geladen";
  }
  return html;
}

}  // namespace korvalis
