#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "archive/page_answer.h"
#include "archive/request_state.h"
#include "archive/transfer_engine.h"

namespace korvalis {

class MainView;
class PageCache;
class PagePrefetch;

/// The text that stands for an unknown APID.
inline constexpr std::string_view kUnknownApid = " *** unbekannt ***";

/// Look-up states of the interactive look-ups (RequestState::lookupKind).
inline constexpr std::string_view kLookupDgs = "DGS";
inline constexpr std::string_view kLookupApid = "APID";
inline constexpr std::string_view kLookupProtected = "Protected";

/// `text` padded on the left with "0" to `width` characters, or cut to its first `width`.
std::string padNumberText(std::string_view text, std::size_t width);
/// The nine-character ID text.
std::string idText(std::string_view id);
/// The five-character page text.
std::string pageText(std::string_view page);
/// As idText/pageText after stripping leading "0" characters (the interactive look-up's form).
std::string strippedIdText(std::string_view id);
std::string strippedPageText(std::string_view page);
/// ID text + "_" + page text, e.g. 004717830_00001.
std::string makePageRef(std::string_view id, std::string_view page);
/// The long image name of a PageRef: the part before "_", ".", then the PageRef
/// (004717830.004717830_00001).
std::string longImageName(std::string_view pageRef);

/// URL forms; `servicePrefix` is the service base ending in "/das/v2/".
std::string locationUrl(std::string_view servicePrefix, std::string_view pageRef);
std::string sizeByApidUrl(std::string_view servicePrefix, std::string_view apid);
std::string sizeByNameUrl(std::string_view servicePrefix, std::string_view longName);
std::string pageImageUrl(std::string_view servicePrefix, std::string_view apid);
std::string parentsUrl(std::string_view servicePrefix, std::string_view apid);
std::string downloadLinkUrl(std::string_view servicePrefix, std::string_view pageRef);

/// The APID in a location answer, or kUnknownApid.
std::string extractApid(std::string_view answer);
/// The image size in a size answer, or -1 when the answer is not a valid size answer.
std::int64_t parseImageSize(std::string_view answer);
/// The childName value of a parents answer ("" when missing).
std::string extractChildName(std::string_view answer);

/// The location look-up of a PageRef and the size query of an image (by APID, or by long image
/// name), as the page loading sends them; the caller sets the completion target and code.
UrlRequest locationRequest(std::string_view servicePrefix, std::string_view pageRef);
UrlRequest sizeRequest(std::string_view servicePrefix, std::string_view name, bool byApid);
/// The page-image download of the main view (flags, chunk size and the request state's
/// connect time-out); the caller sets the completion target and code.
UrlRequest pageRequest(const RequestState& request, std::string_view apid);
/// The APID in a location answer (no answer: kUnknownApid); `lastAnswer`, when given,
/// receives the answer text when an answer arrived.
std::string readLocationAnswer(std::optional<std::span<const unsigned char>> answer,
                               std::string* lastAnswer);
/// The size in a size answer (no answer: -1); `lastAnswer`, when given, receives the
/// lower-case answer when an answer arrived.
std::int64_t readSizeAnswer(std::optional<std::span<const unsigned char>> answer,
                            std::string* lastAnswer);

/// Synchronous location look-up: the APID of a page, or kUnknownApid.
/// `lastAnswer` receives the answer text when given and an answer arrived.
std::string LookUpLocation(TransferEngine& engine, std::string_view servicePrefix,
                           std::string_view pageRef, std::string* lastAnswer = nullptr);
/// Synchronous size query by APID (byApid 1) or by long image name (0); -1 when unknown or
/// for any other byApid value. `lastAnswer` receives the lower-case answer when given.
std::int64_t QueryImageSize(TransferEngine& engine, std::string_view servicePrefix,
                            std::string_view name, int byApid, std::string* lastAnswer = nullptr);

/// What the main window's archive commands work on. All user-interface thread.
struct ArchiveContext {
  RequestState& request;
  MainView& view;
  TransferEngine& engine;
  std::shared_ptr<EventTarget> mainWindow;  ///< receives codes 65536-65538
  /// The About page, shown while a tree entry's page loads.
  const std::string& aboutHtml;
  /// The view's "a page is shown" flag, cleared when a request replaces the page.
  bool& pageShown;
  /// Receives the answers of the look-ups before a page download and of the pages fetched
  /// ahead (HandleRequestEvent); null: the main window's target.
  std::shared_ptr<EventTarget> steps = nullptr;
  /// The pages fetched ahead; null: none are.
  PagePrefetch* prefetch = nullptr;
  /// The pages kept on disk: a page found there is shown without asking the archive, and
  /// every page downloaded and shown is kept there. Null: none.
  PageCache* cache = nullptr;
};

/// The addresses of a record entry whose first page LoadTreePage shows.
struct EntryAddress {
  std::string_view apid;
  std::string_view id;
  std::string_view pages;  ///< "first-last" or one page
};

/// Shows the page named by the ID and page fields: the location look-up, the size query and
/// the page download (code 65536) run one after another as asynchronous requests, each
/// started when the answer of the one before arrives (HandleRequestEvent), so the window
/// stays responsive. A page held by the prefetch is handed over at once instead.
void LoadPage(ArchiveContext& context);
/// As LoadPage for the first page of the selected tree leaf's entry.
void LoadTreePage(ArchiveContext& context, const EntryAddress& entry);
/// True while a page request runs: its look-ups or its download.
bool pageRequestRunning(const RequestState& request);
/// Cancels the running page request: its look-ups, or its download (aborted and freed).
/// False when none was running (a finished download is freed by its completion event).
bool abortPageDownload(ArchiveContext& context);
/// Handler for the events of `context.steps`: continues the page request with the answer
/// of its location look-up or size query, or the prefetch with one of its answers. Frees the
/// job; an answer of a request that was replaced or cancelled is dropped.
void HandleRequestEvent(ArchiveContext& context, int code, JobHandle handle);
/// APID field to ID and page fields (completion code 65537 or 65538).
void StartIdLookup(ArchiveContext& context, int code);
/// ID and page fields to APID field (completion code 65537 or 65538). False when it stopped
/// because the ID or the page field is empty (" ID oder Seite fehlt!" is shown).
bool StartApidLookup(ArchiveContext& context, int code);
/// Main-window handler for codes 65537 and 65538; frees the job.
void HandleLookupAnswer(ArchiveContext& context, int code, JobHandle handle);

/// Applies an outcome's status texts and error page to the main window.
void applyPageAnswer(ArchiveContext& context, PageAnswer outcome);
/// Handler for code 65536: hands the body to `show` (which decodes and shows the page, keeps
/// its bytes, and answers Shown, Broken or Ignored as classifyPageAnswer takes it), applies the
/// outcome, frees the job and forgets the current request. Returns the outcome.
PageAnswer HandlePageAnswer(ArchiveContext& context, JobHandle handle,
                            const std::function<PageAnswer(std::span<const unsigned char>)>& show);

}  // namespace korvalis
