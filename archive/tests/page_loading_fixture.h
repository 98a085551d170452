// A page request's world for core tests: the test archive server, the engine, the request
// state and a fake main window, with the event loop played by the test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "archive/curl_global.h"
#include "archive/event_codes.h"
#include "archive/page_address.h"
#include "archive/page_prefetch.h"
#include "archive/tests/archive_server_fixture.h"
#include "platform/scripted/fake_main_view.h"

namespace korvalis::testing {

using namespace std::chrono_literals;

inline const std::string kErrorPage = "<html>error</html>";

/// What the viewer does with a body: JPEG data is "shown", anything else is no image.
inline PageAnswer fakeShow(std::span<const unsigned char> body) {
  return body.size() > 2 && body[0] == 0xFF && body[1] == 0xD8 ? PageAnswer::Shown
                                                               : PageAnswer::Ignored;
}

class PageLoadingFixture : public ::testing::Test {
 protected:
  explicit PageLoadingFixture(std::vector<std::string> serverArgs = {}) : server(serverArgs) {
    engine.setProgressTarget(mainWindow);
    request.servicePrefix = server.servicePrefix();
    request.errorPageHtml = kErrorPage;
  }

  /// Runs the look-ups before the page download: hands each answer to HandleRequestEvent as
  /// the window's event loop does, until the download has started (or the request ended).
  void runLookups() {
    while (request.currentStep != 0) {
      const auto event = steps->next(20s);
      ASSERT_TRUE(event.has_value()) << "no look-up answer";
      HandleRequestEvent(context, event->code, event->data);
    }
  }
  /// Hands the answers of the page fetched ahead to HandleRequestEvent until it is held (or
  /// given up).
  void runPrefetch(const PagePrefetch& prefetch) {
    while (prefetch.fetching()) {
      const auto event = steps->next(20s);
      ASSERT_TRUE(event.has_value()) << "no answer for the page fetched ahead";
      HandleRequestEvent(context, event->code, event->data);
    }
  }
  /// Runs the look-ups, then the main window's handler for the page event.
  std::optional<PageAnswer> deliverPage() {
    runLookups();
    const auto event = mainWindow->waitFor(kPageImageEvent, 20s);
    if (!event) {
      ADD_FAILURE() << "no page event";
      return std::nullopt;
    }
    return HandlePageAnswer(context, event->data, fakeShow);
  }
  void deliverLookup(int code) {
    const auto event = mainWindow->waitFor(code, 20s);
    ASSERT_TRUE(event.has_value()) << "no look-up event";
    HandleLookupAnswer(context, code, event->data);
  }
  std::optional<PageAnswer> loadPage(std::string id, std::string page) {
    view.id = std::move(id);
    view.page = std::move(page);
    LoadPage(context);
    return deliverPage();
  }

  ArchiveServer server;
  const std::shared_ptr<RecordingTarget> mainWindow = std::make_shared<RecordingTarget>();
  const std::shared_ptr<RecordingTarget> steps = std::make_shared<RecordingTarget>();
  CurlGlobal curl;
  TransferEngine engine{curl, ArchiveServer::caFile()};
  RequestState request;
  FakeMainView view;
  const std::string aboutHtml = "<html>start</html>";
  bool pageShown = false;
  ArchiveContext context{request, view, engine, mainWindow, aboutHtml, pageShown, steps};
};

}  // namespace korvalis::testing
