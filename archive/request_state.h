#pragma once

#include <cstdint>
#include <string>

namespace korvalis {

/// Where the main window's page request stands. A request runs through the location look-up,
/// the size query and the download, and ends shown, failed or cancelled.
enum class PageRequestPhase { Idle, Location, Size, Download, Shown, Failed, Cancelled };

/// The main window's page requests: where they go and what the last one brought. Owned by
/// the program's AppState; the page loading and the window's commands work on it.
/// User-interface thread only. Texts are Windows-1252 bytes.
struct RequestState {
  /// Service base + "/das/v2/".
  std::string servicePrefix;
  /// Connect time-out of page requests, milliseconds.
  int requestLimit = 15000;
  /// Job handle of the page download in flight, 0 for none.
  std::uintptr_t currentRequest = 0;
  /// Job handle of the look-up before the page download (location or size), 0 for none.
  std::uintptr_t currentStep = 0;
  /// The phase of the page request asked for last.
  PageRequestPhase phase = PageRequestPhase::Idle;
  /// Page requests started so far.
  std::uint64_t requestCount = 0;
  /// requestCount when the interactive look-up in flight started: a page request started
  /// after it owns the status bar, so the look-up's answer then only fills the fields.
  std::uint64_t requestCountAtLookup = 0;
  /// ID and page texts of the page asked for last.
  std::string requestId;
  std::string requestPage;
  /// State of the interactive look-up: "", "DGS", "APID" or "Protected".
  std::string lookupKind;
  /// APID of the page last looked up.
  std::string currentApid;
  /// Text of the last archive answer.
  std::string lastAnswer;
  /// The last answer of the look-ups before the page download in flight.
  std::string requestAnswer;
  /// Size of the last size query, -1 when unknown.
  std::int64_t lastImageSize = -1;
  /// The HTML page shown when the archive has no page.
  std::string errorPageHtml;
  /// The page asked for last is in the page cache already (it came from there, or the
  /// prefetch kept it there): it is not stored again.
  bool fromCache = false;
  /// The page cache's folder could not be written; shown once in the status bar.
  bool cacheFailureToShow = false;
  bool cacheFailureShown = false;

  /// A page request is on its way: looking up, asking the size or downloading (or a job of
  /// one is still held).
  bool inFlight() const {
    return phase == PageRequestPhase::Location || phase == PageRequestPhase::Size ||
           phase == PageRequestPhase::Download || currentStep != 0 || currentRequest != 0;
  }
};

}  // namespace korvalis
