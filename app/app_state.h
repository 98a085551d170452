#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "records/record_data.h"

namespace korvalis {

class TransferEngine;

/// Which image the save and print commands use.
enum class ViewImage { Page, Cropped };

/// The one record of program-wide state, owned by the user-interface thread. Created zeroed
/// at start-up and filled with start values by initialiseAppState(); lives until the end.
/// Texts are Windows-1252 bytes; directory texts end with the path separator.
struct AppState {
  // Identity
  std::string version;
  std::string userAgent;

  // Display scale
  float scaleX = 1.0F;
  float scaleY = 1.0F;

  // Paths
  std::string programDir;
  std::string recordDir;
  std::string pageSaveDir;
  std::string linkDir;
  std::string saveListDir;
  std::string recordBaseName;

  // File-type filters ("label|pattern|…")
  std::string imageFilterWithTiff;
  std::string imageFilterWithPdf;

  // Archive service address pieces
  std::string pagePrefix;     ///< service base + "/das/v2/dgs:"
  std::string pageSuffix;     ///< "/$dist"
  std::string servicePrefix;  ///< service base + "/das/v2/"
  std::string currentPageUrl;
  int requestLimit = 0;  ///< connect time-out of page requests, milliseconds

  // Texts shown in the HTML view
  std::string errorPageHtml;
  std::string aboutHtml;
  std::string unknownMark;

  // View state
  float zoomFactor = 1.0F;
  float savedZoomFactor = 1.0F;
  bool viewMode = false;
  bool fullScreen = false;
  bool pageShown = false;
  bool treeVisible = true;
  ViewImage viewImage = ViewImage::Page;
  std::optional<std::vector<unsigned char>> pageBytes;
  bool dragging = false;

  // Requests
  TransferEngine* transfer = nullptr;  ///< not owned; the shell owns the engine
  std::uintptr_t currentRequest = 0;   ///< job handle of the request in flight, 0 for none
  std::string lookupKind;              ///< "", "DGS", "APID" or "Protected"
  std::string currentApid;             ///< APID of the page last looked up
  std::string lastAnswer;              ///< text of the last archive answer
  std::int64_t lastImageSize = -1;     ///< size of the last size query, -1 unknown

  // Connection monitor (the thread itself is owned by the monitor object)
  bool monitorRunning = false;
  std::string siteUrl;  ///< home page of the archive's web site, checked by the monitor

  // Record data: the sorted entries with the current entry, the search index, the header
  RecordData records;

  // Program control
  bool quit = false;
};

}  // namespace korvalis
