#pragma once

#include <string>

#include "archive/request_state.h"
#include "records/record_session.h"
#include "viewer/view_state.h"

namespace korvalis {

/// The one record of program-wide state, owned by the user-interface thread: what the whole
/// program shares, and the parts each subsystem works on (the record session, the view state,
/// the page requests). Filled with start values by initialiseAppState(); lives until the end.
/// Texts are Windows-1252 bytes; directory texts end with the path separator.
struct AppState {
  std::string version;

  // Display scale
  float scaleX = 1.0F;
  float scaleY = 1.0F;

  // Start folders of the program's file dialogs (the save windows start in the last three).
  std::string programDir;
  std::string pageSaveDir;
  std::string linkDir;
  std::string saveListDir;
  /// True for an installed program: the dialogs start in the user's folders and their last
  /// folders are kept in the state file from one start to the next (app/user_folders.h).
  bool rememberDialogFolders = false;

  // File-type filters ("label|pattern|…"): opening a page, saving a page
  std::string imageFilterWithTiff;
  std::string imageFilterWithPdf;

  /// The About page of the HTML view.
  std::string aboutHtml;
  /// Home page of the archive's web site, checked by the connection monitor.
  std::string siteUrl;

  RecordSession session;
  ViewState view;
  RequestState request;
};

}  // namespace korvalis
