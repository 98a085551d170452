#include "archive/event_codes.h"
#include "archive/match_wildcard.h"
#include "archive/page_address.h"
#include "archive/page_cache.h"
#include "archive/page_prefetch.h"
#include "platform/cp1252.h"
#include "platform/main_view.h"

namespace korvalis {

namespace {
constexpr int kPageChunk = 4096;
constexpr int kLookupChunk = 65536;
constexpr int kPageConnectTimeoutMs = 15000;
constexpr int kUnknownSizeRange = 5000000;

constexpr std::string_view kInvalidAnswer = " Ung\xFCltige Antwort";

bool contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

void showStatus(MainView& view, std::string_view field0) {
  view.setStatusText(0, field0);
  view.setStatusText(1, "");
}

std::shared_ptr<EventTarget> stepTarget(const ArchiveContext& context) {
  return context.steps != nullptr ? context.steps : context.mainWindow;
}

JobHandle startStep(ArchiveContext& context, UrlRequest request, int code) {
  request.notifyTarget = stepTarget(context);
  request.notifyCode = code;
  const JobHandle handle = context.engine.GetUrl(request);
  context.request.currentStep = handle;
  return handle;
}

/// After the look-ups: the progress range from the size, then the page download started by
/// `startDownload` (a request to the archive, or a page already in memory). When it starts,
/// the view waits for the page with " LADE...".
void startDownload(ArchiveContext& context, std::int64_t size,
                   const std::function<JobHandle()>& startJob) {
  RequestState& state = context.request;
  state.currentStep = 0;
  state.lastImageSize = size;
  state.requestAnswer = state.lastAnswer;
  context.view.setProgressRange(
      size >= 1 ? static_cast<int>(std::min<std::int64_t>(size >> 15, kUnknownSizeRange))
                : kUnknownSizeRange);
  context.view.setProgressValue(0);
  const JobHandle handle = startJob();
  if (handle == 0) {
    // No job could be made: the request ends as one without an answer, so the window does
    // not wait for a page that never comes.
    state.phase = PageRequestPhase::Failed;
    applyPageAnswer(context, PageAnswer::NoData);
    return;
  }
  state.phase = PageRequestPhase::Download;
  state.currentRequest = handle;
}

/// The view waits for the page asked for from the request's first step on: the page tools
/// are off, " LADE..." names the page.
void showLoading(ArchiveContext& context) {
  const RequestState& state = context.request;
  context.view.setImageMode(0);
  context.pageShown = false;
  context.view.setStatusText(0, " LADE...  " + state.requestId + " : " + state.requestPage);
  context.view.setStatusText(1, " Zoom:");
}

void downloadPage(ArchiveContext& context, std::int64_t size) {
  startDownload(context, size, [&context] {
    UrlRequest request = pageRequest(context.request, context.request.currentApid);
    request.notifyTarget = context.mainWindow;
    request.notifyCode = kPageImageEvent;
    return context.engine.GetUrl(request);
  });
}

/// A page the prefetch holds goes the way of a downloaded one: its fields as the look-ups
/// would set them, then its body as a finished download whose completion event is posted.
bool showHeldPage(ArchiveContext& context) {
  RequestState& state = context.request;
  const HeldPage* held = context.prefetch != nullptr
                             ? context.prefetch->find(state.requestId, state.requestPage)
                             : nullptr;
  if (held == nullptr) {
    return false;
  }
  state.currentApid = held->apid;
  state.lastAnswer = held->lastAnswer;
  state.fromCache = context.cache != nullptr;  // the prefetch kept it there when it came
  startDownload(context, held->size, [&context, held] {
    const JobHandle handle = context.engine.AdoptBody(held->body);
    if (handle != 0) {
      context.mainWindow->postEvent(kPageImageEvent, handle);
    }
    return handle;
  });
  return true;
}

/// A page kept on disk is shown the same way: no look-up, no size query, no download.
bool showCachedPage(ArchiveContext& context) {
  RequestState& state = context.request;
  if (context.cache == nullptr) {
    return false;
  }
  std::optional<CachedPage> cached = context.cache->find(state.requestId, state.requestPage);
  if (!cached) {
    return false;
  }
  state.currentApid = cached->apid;
  state.fromCache = true;
  const auto size = static_cast<std::int64_t>(cached->bytes.size());
  startDownload(context, size, [&context, &cached] {
    const JobHandle handle = context.engine.AdoptBody(std::move(cached->bytes));
    if (handle != 0) {
      context.mainWindow->postEvent(kPageImageEvent, handle);
    }
    return handle;
  });
  return true;
}

/// Cancels whatever the page request before did, then runs the location look-up, the size
/// query and the page download for `id` and `page` (or shows the held page).
void requestPage(ArchiveContext& context, const std::string& id, const std::string& page) {
  RequestState& state = context.request;
  state.requestId = id;
  state.requestPage = page;
  ++state.requestCount;
  state.phase = PageRequestPhase::Location;
  showLoading(context);
  if (context.prefetch != nullptr) {
    context.prefetch->requestStarted(id);
  }
  state.fromCache = false;
  if (showHeldPage(context) || showCachedPage(context)) {
    return;
  }
  if (startStep(context, locationRequest(state.servicePrefix, id + "_" + page),
                kLocationStepEvent) == 0) {
    // Not even started: as a look-up without an answer.
    state.currentApid = std::string(kUnknownApid);
    if (startStep(context, sizeRequest(state.servicePrefix, state.currentApid, true),
                  kSizeStepEvent) == 0) {
      downloadPage(context, -1);
    }
  }
}

/// Stops the page request in flight before a new one: look-ups and a running download are
/// aborted; a finished download is forgotten, so its pending answer is dropped as stale.
void replacePageRequest(ArchiveContext& context) {
  abortPageDownload(context);
  context.request.currentRequest = 0;
}

void continueRequest(ArchiveContext& context, int code, JobHandle handle) {
  RequestState& state = context.request;
  if (handle == 0 || handle != state.currentStep) {
    context.engine.Free(handle, /*freeData=*/true);  // a replaced or cancelled request's answer
    return;
  }
  const auto answer = context.engine.GetData(handle);
  if (code == kLocationStepEvent) {
    state.currentApid = readLocationAnswer(answer, &state.lastAnswer);
    context.engine.Free(handle, /*freeData=*/true);
    state.phase = PageRequestPhase::Size;
    if (startStep(context, sizeRequest(state.servicePrefix, state.currentApid, true),
                  kSizeStepEvent) == 0) {
      downloadPage(context, -1);
    }
    return;
  }
  const std::int64_t size = readSizeAnswer(answer, &state.lastAnswer);
  context.engine.Free(handle, /*freeData=*/true);
  downloadPage(context, size);
}

JobHandle startLookup(ArchiveContext& context, std::string url, int code) {
  UrlRequest request;
  request.url = std::move(url);
  request.flags = kQueryRequestFlags;
  request.notifyTarget = context.mainWindow;
  request.notifyCode = code;
  request.chunkSize = kLookupChunk;
  return context.engine.GetUrl(request);
}
}  // namespace

UrlRequest pageRequest(const RequestState& request, std::string_view apid) {
  UrlRequest download;
  download.url = pageImageUrl(request.servicePrefix, apid);
  download.flags = kPageRequestFlags;
  download.chunkSize = kPageChunk;
  download.connectTimeoutMs =
      request.requestLimit > 0 ? request.requestLimit : kPageConnectTimeoutMs;
  return download;
}

bool pageRequestRunning(const RequestState& request) {
  return request.inFlight();
}

bool abortPageDownload(ArchiveContext& context) {
  RequestState& state = context.request;
  if (const JobHandle step = state.currentStep; step != 0) {
    // A look-up whose answer is already queued is freed by HandleRequestEvent as stale.
    if (context.engine.IsRunning(step) != 0) {
      context.engine.Free(step, /*freeData=*/true);
    }
    state.currentStep = 0;
    state.phase = PageRequestPhase::Cancelled;
    return true;
  }
  const JobHandle handle = state.currentRequest;
  if (handle == 0 || context.engine.IsRunning(handle) == 0) {
    // A finished download is freed by its pending completion event.
    return false;
  }
  context.engine.Abort(handle);
  context.engine.Free(handle, /*freeData=*/true);
  state.currentRequest = 0;
  state.phase = PageRequestPhase::Cancelled;
  return true;
}

void HandleRequestEvent(ArchiveContext& context, int code, JobHandle handle) {
  if (code == kLocationStepEvent || code == kSizeStepEvent) {
    continueRequest(context, code, handle);
  } else if (context.prefetch != nullptr &&
             (code == kAheadLocationEvent || code == kAheadSizeEvent || code == kAheadImageEvent)) {
    context.prefetch->handleEvent(code, handle);
  }
}

void LoadPage(ArchiveContext& context) {
  replacePageRequest(context);
  const std::string id = idText(context.view.idField());
  const std::string page = pageText(context.view.pageField());
  context.view.setIdField(id);
  context.view.setPageField(page);
  context.view.followIdAndPage();
  requestPage(context, id, page);
}

void LoadTreePage(ArchiveContext& context, const EntryAddress& entry) {
  replacePageRequest(context);
  context.view.showHtml(context.aboutHtml);
  context.view.setImageMode(0);
  context.view.refreshEntryInfo();
  context.pageShown = false;
  const std::string_view pages(entry.pages);
  const std::string id = idText(entry.id);
  const std::string page = pageText(pages.substr(0, pages.find('-')));
  context.view.setApidField(entry.apid);
  context.view.setIdField(id);
  context.view.setPageField(page);
  requestPage(context, id, page);
}

void StartIdLookup(ArchiveContext& context, int code) {
  RequestState& state = context.request;
  const std::string apid = context.view.apidField();
  state.lookupKind.clear();
  if (!MatchWildcard(apid, "TH-*-*-*-*")) {
    context.view.setStatusText(0, " ung\xFCliges APID-Format");
    return;
  }
  context.view.setStatusText(0, " Suche ID...");
  context.view.setIdField("");
  context.view.setPageField("");
  state.requestCountAtLookup = state.requestCount;
  if (startLookup(context, parentsUrl(state.servicePrefix, apid), code) != 0) {
    state.lookupKind = kLookupDgs;
  }
}

namespace {
/// The APID kept with a cached page answers the look-up at once, as the archive would: a
/// film's pages do not change.
bool showCachedApid(ArchiveContext& context, int code, const std::string& id,
                    const std::string& page) {
  if (context.cache == nullptr) {
    return false;
  }
  const std::optional<std::string> apid = context.cache->findApid(idText(id), pageText(page));
  if (!apid) {
    return false;
  }
  context.request.lookupKind = kLookupApid;
  context.view.setApidField(*apid);
  if (code == kLookupFieldsEvent) {
    context.view.followIdAndPage();
  }
  context.view.setStatusText(0, " gefunden");
  return true;
}
}  // namespace

bool StartApidLookup(ArchiveContext& context, int code) {
  RequestState& state = context.request;
  const std::string idField = context.view.idField();
  const std::string pageField = context.view.pageField();
  if (idField.empty() || pageField.empty()) {
    context.view.setStatusText(0, " ID oder Seite fehlt!");
    return false;
  }
  const std::string id = strippedIdText(idField);
  const std::string page = strippedPageText(pageField);
  context.view.setIdField(id);
  context.view.setPageField(page);
  context.view.setStatusText(0, " Suche APID...");
  context.view.setApidField("");
  state.requestCountAtLookup = state.requestCount;
  if (showCachedApid(context, code, id, page)) {
    return true;
  }
  if (startLookup(context, locationUrl(state.servicePrefix, id + "_" + page), code) != 0) {
    state.lookupKind = kLookupApid;
  }
  return true;
}

namespace {
/// Status field 0 (and with `clearZoom` field 1) for an interactive look-up's answer, unless a
/// page request started after the look-up: that request's texts stand, the look-up only
/// fills the fields.
struct LookupStatus {
  MainView& view;
  bool shown;
  void set(std::string_view text, bool clearZoom = false) const {
    if (!shown) {
      return;
    }
    if (clearZoom) {
      showStatus(view, text);
    } else {
      view.setStatusText(0, text);
    }
  }
};

void readLookupAnswer(ArchiveContext& context, int code, std::string_view answer,
                      const LookupStatus& status) {
  RequestState& state = context.request;
  MainView& view = context.view;
  const std::string lower = cp1252LowerText(answer);
  if (contains(lower, "not found")) {
    state.lookupKind.clear();
  }
  if (contains(lower, "unauthorized")) {
    state.lookupKind = kLookupProtected;
  }
  if (state.lookupKind == kLookupDgs) {
    const std::string child = extractChildName(answer);
    const std::size_t split = child.find('_');
    const std::string_view childView(child);
    const std::string_view second =
        split == std::string::npos ? std::string_view() : childView.substr(split + 1);
    view.setIdField(childView.substr(0, split));
    view.setPageField(second.substr(0, second.find('_')));
    if (code == kLookupFieldsEvent) {
      view.followIdAndPage();
      status.set(" gefunden");
    }
  } else if (state.lookupKind == kLookupApid) {
    const std::string apid = extractApid(answer);
    view.setApidField(apid);
    if (code == kLookupFieldsEvent) {
      view.followIdAndPage();
      status.set(" gefunden");
    }
    if (apid == kUnknownApid) {
      status.set(kUnknownApid);
    } else {
      view.setApidField(apid);
      status.set(" gefunden");
    }
  } else if (state.lookupKind == kLookupProtected) {
    status.set(" *** Protected ***", /*clearZoom=*/true);
  } else {
    status.set(" *** Seite unbekannt ***", /*clearZoom=*/true);
  }
}
}  // namespace

void HandleLookupAnswer(ArchiveContext& context, int code, JobHandle handle) {
  const RequestState& state = context.request;
  const LookupStatus status{context.view, state.requestCount == state.requestCountAtLookup};
  const auto data = context.engine.GetData(handle);
  if (!data) {
    status.set(kInvalidAnswer, /*clearZoom=*/true);
  } else {
    const std::string answer(data->begin(), data->end());
    context.request.lastAnswer = answer;
    if (!contains(answer, "<?xml")) {
      status.set(kInvalidAnswer, /*clearZoom=*/true);
    } else {
      readLookupAnswer(context, code, answer, status);
    }
  }
  context.engine.Free(handle, /*freeData=*/true);
}

void applyPageAnswer(ArchiveContext& context, PageAnswer outcome) {
  MainView& view = context.view;
  switch (outcome) {
    case PageAnswer::Shown:
      view.setStatusText(0, " Fertig.");
      view.setStatusText(3, "Original");
      break;
    case PageAnswer::Broken:
      view.setStatusText(0, " Fehlerhafte Seite empfangen.");
      break;
    case PageAnswer::NotAvailable:
      view.showHtml(context.request.errorPageHtml);
      showStatus(view, " Seite nicht bekannt!");
      break;
    case PageAnswer::Ignored:
      break;
    case PageAnswer::NoData:
      view.showHtml(context.request.errorPageHtml);
      showStatus(view, kInvalidAnswer);
      break;
  }
}

PageAnswer HandlePageAnswer(ArchiveContext& context, JobHandle handle,
                            const std::function<PageAnswer(std::span<const unsigned char>)>& show) {
  if (handle != context.request.currentRequest) {
    // The answer of a download that a newer request replaced: drop it so the older page
    // never overwrites the one asked for last.
    context.engine.Free(handle, /*freeData=*/true);
    return PageAnswer::Ignored;
  }
  RequestState& state = context.request;
  const auto body = context.engine.GetData(handle);
  const PageAnswer shown = body ? show(*body) : PageAnswer::Ignored;
  const PageAnswer outcome = classifyPageAnswer(body, shown);
  applyPageAnswer(context, outcome);
  state.phase = outcome == PageAnswer::Shown ? PageRequestPhase::Shown : PageRequestPhase::Failed;
  if (outcome == PageAnswer::Shown && context.cache != nullptr && !state.fromCache &&
      !context.cache->store(state.requestId, state.requestPage,
                            state.currentApid == kUnknownApid ? "" : state.currentApid, *body) &&
      context.cache->writeFailed() && !state.cacheFailureShown) {
    state.cacheFailureToShow = true;
  }
  if (outcome == PageAnswer::Shown && context.prefetch != nullptr) {
    // Kept for a step back; the page after it is fetched now.
    context.prefetch->pageShown(HeldPage{state.requestId, state.requestPage, state.currentApid,
                                         state.requestAnswer, state.lastImageSize,
                                         std::vector<unsigned char>(body->begin(), body->end())});
  }
  context.engine.Free(handle, /*freeData=*/true);
  context.request.currentRequest = 0;
  return outcome;
}

}  // namespace korvalis
