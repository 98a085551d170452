#include "app/app_state.h"
#include "app/main_view.h"
#include "archive/event_codes.h"
#include "archive/match_wildcard.h"
#include "archive/page_address.h"
#include "platform/cp1252.h"
#include "records/record_entry.h"

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
  AppState& app = context.app;
  const std::string pageRef = id + "_" + page;
  app.currentApid = LookUpLocation(context.engine, app.servicePrefix, pageRef, &app.lastAnswer);
  const std::int64_t size =
      QueryImageSize(context.engine, app.servicePrefix, app.currentApid, 1, &app.lastAnswer);
  app.lastImageSize = size;
  context.view.setProgressRange(
      size >= 1 ? static_cast<int>(std::min<std::int64_t>(size >> 15, kUnknownSizeRange))
                : kUnknownSizeRange);
  context.view.setProgressValue(0);

  UrlRequest request;
  request.url = pageImageUrl(app.servicePrefix, app.currentApid);
  request.flags = kPageRequestFlags;
  request.notifyTarget = &context.mainWindow;
  request.notifyCode = kPageImageEvent;
  request.chunkSize = kPageChunk;
  request.connectTimeoutMs = app.requestLimit > 0 ? app.requestLimit : kPageConnectTimeoutMs;
  const JobHandle handle = context.engine.GetUrl(request);
  if (handle == 0) {
    return;
  }
  context.view.setImageMode(0);
  app.pageShown = false;
  app.currentRequest = handle;
  app.currentPageUrl = request.url;
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
  const JobHandle handle = context.app.currentRequest;
  if (handle == 0 || context.engine.IsRunning(handle) == 0) {
    // A finished download is freed by its pending completion event.
    return false;
  }
  context.engine.Abort(handle);
  context.engine.Free(handle, /*freeData=*/true);
  context.app.currentRequest = 0;
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

void LoadTreePage(ArchiveContext& context, const RecordEntry& entry) {
  abortPageDownload(context);
  context.view.showHtml(context.app.aboutHtml);
  context.view.setImageMode(0);
  context.view.refreshEntryInfo();
  context.app.pageShown = false;
  const std::string_view pages = entry.pages();
  const std::string id = idText(entry.id());
  const std::string page = pageText(pages.substr(0, pages.find('-')));
  context.view.setApidField(entry.apid());
  context.view.setIdField(id);
  context.view.setPageField(page);
  requestPage(context, id, page);
}

void StartIdLookup(ArchiveContext& context, int code) {
  AppState& app = context.app;
  const std::string apid = context.view.apidField();
  app.lookupKind.clear();
  if (!MatchWildcard(apid, "TH-*-*-*-*")) {
    context.view.setStatusText(0, " ung\xFCliges APID-Format");
    return;
  }
  context.view.setStatusText(0, " Suche ID...");
  context.view.setIdField("");
  context.view.setPageField("");
  if (startLookup(context, parentsUrl(app.servicePrefix, apid), code) != 0) {
    app.lookupKind = kLookupDgs;
  }
}

void StartApidLookup(ArchiveContext& context, int code) {
  AppState& app = context.app;
  const std::string idField = context.view.idField();
  const std::string pageField = context.view.pageField();
  if (idField.empty() || pageField.empty()) {
    context.view.setStatusText(0, " ID oder Seite fehlt!");
    return;
  }
  const std::string id = strippedIdText(idField);
  const std::string page = strippedPageText(pageField);
  context.view.setIdField(id);
  context.view.setPageField(page);
  context.view.setStatusText(0, " Suche APID...");
  context.view.setApidField("");
  if (startLookup(context, locationUrl(app.servicePrefix, id + "_" + page), code) != 0) {
    app.lookupKind = kLookupApid;
  }
}

namespace {
void readLookupAnswer(ArchiveContext& context, int code, std::string_view answer) {
  AppState& app = context.app;
  MainView& view = context.view;
  const std::string lower = cp1252LowerText(answer);
  if (contains(lower, "not found")) {
    app.lookupKind.clear();
  }
  if (contains(lower, "unauthorized")) {
    app.lookupKind = kLookupProtected;
  }
  if (app.lookupKind == kLookupDgs) {
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
  } else if (app.lookupKind == kLookupApid) {
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
  } else if (app.lookupKind == kLookupProtected) {
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
    context.app.lastAnswer = answer;
    if (!contains(answer, "<?xml")) {
      showStatus(context.view, kInvalidAnswer);
    } else {
      readLookupAnswer(context, code, answer);
    }
  }
  context.engine.Free(handle, /*freeData=*/true);
}

PageAnswer classifyPageAnswer(std::optional<std::span<const unsigned char>> body,
                              PageDecode decode) {
  if (!body) {
    return PageAnswer::NoData;
  }
  switch (decode) {
    case PageDecode::Shown:
      return PageAnswer::Shown;
    case PageDecode::DecodedButUnavailable:
      return PageAnswer::Broken;
    case PageDecode::NotDecoded:
      break;
  }
  const std::string_view text(reinterpret_cast<const char*>(body->data()), body->size());
  return contains(text, "<?xml") ? PageAnswer::NotAvailable : PageAnswer::Ignored;
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
      view.showHtml(context.app.errorPageHtml);
      showStatus(view, " Seite nicht bekannt!");
      break;
    case PageAnswer::Ignored:
      break;
    case PageAnswer::NoData:
      view.showHtml(context.app.errorPageHtml);
      showStatus(view, kInvalidAnswer);
      break;
  }
}

PageAnswer HandlePageAnswer(
    ArchiveContext& context, JobHandle handle,
    const std::function<PageDecode(std::span<const unsigned char>)>& decode) {
  if (handle != context.app.currentRequest) {
    // The answer of a download that a newer request replaced: drop it so the older page
    // never overwrites the one asked for last.
    context.engine.Free(handle, /*freeData=*/true);
    return PageAnswer::Ignored;
  }
  const auto body = context.engine.GetData(handle);
  const PageDecode decoded = body ? decode(*body) : PageDecode::NotDecoded;
  const PageAnswer outcome = classifyPageAnswer(body, decoded);
  applyPageAnswer(context, outcome);
  context.engine.Free(handle, /*freeData=*/true);
  context.app.currentRequest = 0;
  return outcome;
}

}  // namespace korvalis
