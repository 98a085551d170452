#include "archive/event_codes.h"
#include "archive/match_wildcard.h"
#include "archive/page_address.h"
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

/// Location look-up, size query and the start of the page download (code 65536).
void requestPage(ArchiveContext& context, const std::string& id, const std::string& page) {
  RequestState& state = context.request;
  const std::string pageRef = id + "_" + page;
  state.currentApid =
      LookUpLocation(context.engine, state.servicePrefix, pageRef, &state.lastAnswer);
  const std::int64_t size =
      QueryImageSize(context.engine, state.servicePrefix, state.currentApid, 1, &state.lastAnswer);
  state.lastImageSize = size;
  context.view.setProgressRange(
      size >= 1 ? static_cast<int>(std::min<std::int64_t>(size >> 15, kUnknownSizeRange))
                : kUnknownSizeRange);
  context.view.setProgressValue(0);

  UrlRequest request;
  request.url = pageImageUrl(state.servicePrefix, state.currentApid);
  request.flags = kPageRequestFlags;
  request.notifyTarget = &context.mainWindow;
  request.notifyCode = kPageImageEvent;
  request.chunkSize = kPageChunk;
  request.connectTimeoutMs = state.requestLimit > 0 ? state.requestLimit : kPageConnectTimeoutMs;
  const JobHandle handle = context.engine.GetUrl(request);
  if (handle == 0) {
    return;
  }
  context.view.setImageMode(0);
  context.pageShown = false;
  state.currentRequest = handle;
  context.view.setStatusText(0, " LADE...  " + id + " : " + page);
  context.view.setStatusText(1, " Zoom:");
}

JobHandle startLookup(ArchiveContext& context, std::string url, int code) {
  UrlRequest request;
  request.url = std::move(url);
  request.flags = kQueryRequestFlags;
  request.notifyTarget = &context.mainWindow;
  request.notifyCode = code;
  request.chunkSize = kLookupChunk;
  return context.engine.GetUrl(request);
}
}  // namespace

bool abortPageDownload(ArchiveContext& context) {
  const JobHandle handle = context.request.currentRequest;
  if (handle == 0 || context.engine.IsRunning(handle) == 0) {
    // A finished download is freed by its pending completion event.
    return false;
  }
  context.engine.Abort(handle);
  context.engine.Free(handle, /*freeData=*/true);
  context.request.currentRequest = 0;
  return true;
}

void LoadPage(ArchiveContext& context) {
  abortPageDownload(context);
  const std::string id = idText(context.view.idField());
  const std::string page = pageText(context.view.pageField());
  context.view.setIdField(id);
  context.view.setPageField(page);
  context.view.followIdAndPage();
  requestPage(context, id, page);
}

void LoadTreePage(ArchiveContext& context, const EntryAddress& entry) {
  abortPageDownload(context);
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
  if (startLookup(context, parentsUrl(state.servicePrefix, apid), code) != 0) {
    state.lookupKind = kLookupDgs;
  }
}

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
  if (startLookup(context, locationUrl(state.servicePrefix, id + "_" + page), code) != 0) {
    state.lookupKind = kLookupApid;
  }
  return true;
}

namespace {
void readLookupAnswer(ArchiveContext& context, int code, std::string_view answer) {
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
      view.setStatusText(0, " gefunden");
    }
  } else if (state.lookupKind == kLookupApid) {
    const std::string apid = extractApid(answer);
    view.setApidField(apid);
    if (code == kLookupFieldsEvent) {
      view.followIdAndPage();
      view.setStatusText(0, " gefunden");
    }
    if (apid == kUnknownApid) {
      view.setStatusText(0, kUnknownApid);
    } else {
      view.setApidField(apid);
      view.setStatusText(0, " gefunden");
    }
  } else if (state.lookupKind == kLookupProtected) {
    showStatus(view, " *** Protected ***");
  } else {
    showStatus(view, " *** Seite unbekannt ***");
  }
}
}  // namespace

void HandleLookupAnswer(ArchiveContext& context, int code, JobHandle handle) {
  const auto data = context.engine.GetData(handle);
  if (!data) {
    showStatus(context.view, kInvalidAnswer);
  } else {
    const std::string answer(data->begin(), data->end());
    context.request.lastAnswer = answer;
    if (!contains(answer, "<?xml")) {
      showStatus(context.view, kInvalidAnswer);
    } else {
      readLookupAnswer(context, code, answer);
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
  const auto body = context.engine.GetData(handle);
  const PageAnswer shown = body ? show(*body) : PageAnswer::Ignored;
  const PageAnswer outcome = classifyPageAnswer(body, shown);
  applyPageAnswer(context, outcome);
  context.engine.Free(handle, /*freeData=*/true);
  context.request.currentRequest = 0;
  return outcome;
}

}  // namespace korvalis
