// The look-ups before a page download as asynchronous requests, and the page after the shown
// one fetched ahead into memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "archive/page_prefetch.h"
#include "archive/tests/page_loading_fixture.h"

namespace korvalis {
namespace {

using namespace std::chrono_literals;

/// The film and page a test page's JPEG carries ("film 4010472  fram  00017").
std::string identityOf(const std::vector<unsigned char>& body) {
  return body.size() < 49 ? std::string() : std::string(body.begin() + 24, body.begin() + 49);
}

std::size_t countRequests(const testing::ArchiveServer& server, std::string_view part) {
  const auto log = server.requestLog();
  return static_cast<std::size_t>(std::count_if(log.begin(), log.end(), [part](const auto& line) {
    return line.find(part) != std::string::npos;
  }));
}

// Page 30's look-up stalls (the server sends its headers, then nothing); page 31's answers
// after 1.5 s.
/// Hands the page answer `handle` to HandlePageAnswer and gives back the body it showed.
std::vector<unsigned char> showAnswer(ArchiveContext& context, JobHandle handle) {
  std::vector<unsigned char> shown;
  const PageAnswer answer =
      HandlePageAnswer(context, handle, [&shown](std::span<const unsigned char> body) {
        shown.assign(body.begin(), body.end());
        return PageAnswer::Shown;
      });
  EXPECT_EQ(answer, PageAnswer::Shown);
  return shown;
}

class LookupStageTest : public testing::PageLoadingFixture {
 protected:
  LookupStageTest()
      : PageLoadingFixture({"--fault", "stall=_00030/location/db", "--fault",
                            "latency=1500:_00031/location/db"}) {}
};

TEST_F(LookupStageTest, LoadPageReturnsWhileTheLookupWaitsAndEscCancelsIt) {
  view.status[0] = "vorher";
  view.id = "4010472";
  view.page = "30";
  LoadPage(context);
  // Back at once: the look-up is in flight, nothing of the download has happened yet.
  EXPECT_TRUE(pageRequestRunning(request));
  EXPECT_NE(request.currentStep, 0U);
  EXPECT_EQ(request.currentRequest, 0U);
  // The window waits for the page from the first look-up on.
  EXPECT_EQ(view.status[0], " LADE...  004010472 : 00030");
  EXPECT_EQ(request.phase, PageRequestPhase::Location);
  EXPECT_EQ(view.id, "004010472");

  // Esc: the look-up is cancelled like a download; nothing of it arrives later.
  EXPECT_TRUE(abortPageDownload(context));
  EXPECT_FALSE(pageRequestRunning(request));
  EXPECT_FALSE(abortPageDownload(context)) << "nothing left to cancel";
  EXPECT_FALSE(steps->next(1500ms).has_value());
  EXPECT_FALSE(mainWindow->waitFor(kPageImageEvent, 10ms).has_value());
  EXPECT_EQ(countRequests(server, "/size"), 0U);
  EXPECT_EQ(countRequests(server, "/dist.jpg"), 0U);
  EXPECT_EQ(engine.jobCount(), 0U);
}

TEST_F(LookupStageTest, ANewRequestReplacesOneStillInItsLookups) {
  view.id = "4010472";
  view.page = "31";
  LoadPage(context);
  const JobHandle slowLookup = request.currentStep;
  ASSERT_NE(slowLookup, 0U);
  view.page = "17";
  LoadPage(context);
  EXPECT_NE(request.currentStep, slowLookup);
  EXPECT_EQ(deliverPage(), PageAnswer::Shown);
  EXPECT_EQ(request.currentApid, "TH-1951-58455-2341-36-00017");

  // Page 31's late answer (if its look-up was not cut off in time) changes nothing.
  if (const auto late = steps->next(2s)) {
    HandleRequestEvent(context, late->code, late->data);
  }
  EXPECT_EQ(request.currentApid, "TH-1951-58455-2341-36-00017");
  EXPECT_EQ(view.status[0], " Fertig.");
  EXPECT_FALSE(pageRequestRunning(request));
  EXPECT_EQ(countRequests(server, "00031/size"), 0U);
  EXPECT_EQ(countRequests(server, "00031/dist.jpg"), 0U);
  EXPECT_EQ(engine.jobCount(), 0U);
}

class PrefetchTest : public testing::PageLoadingFixture {
 protected:
  explicit PrefetchTest(std::vector<std::string> serverArgs = {})
      : PageLoadingFixture(std::move(serverArgs)) {
    context.prefetch = &prefetch;
  }
  /// A page shown through LoadPage, and the page after it fetched.
  void showAndFetchAhead(std::string id, std::string page) {
    ASSERT_EQ(loadPage(std::move(id), std::move(page)), PageAnswer::Shown);
    runPrefetch(prefetch);
  }

  PagePrefetch prefetch{engine, request, steps};
};

TEST_F(PrefetchTest, TheNextPageIsShownFromMemoryWithTheFieldsOfADownload) {
  // What a download of page 18 leaves, from an engine without the prefetch.
  FakeMainView plainView;
  RequestState plain = request;
  bool plainShown = false;
  ArchiveContext plainContext{plain, plainView, engine, mainWindow, aboutHtml, plainShown, steps};
  plainView.id = "4010472";
  plainView.page = "18";
  LoadPage(plainContext);
  while (plain.currentStep != 0) {
    const auto event = steps->next(20s);
    ASSERT_TRUE(event.has_value());
    HandleRequestEvent(plainContext, event->code, event->data);
  }
  const auto plainEvent = mainWindow->waitFor(kPageImageEvent, 20s);
  ASSERT_TRUE(plainEvent.has_value());
  const std::string plainStatus = plainView.status[0];
  const std::vector<unsigned char> plainBody = showAnswer(plainContext, plainEvent->data);

  showAndFetchAhead("4010472", "17");
  ASSERT_NE(prefetch.find("004010472", "00018"), nullptr);
  EXPECT_EQ(countRequests(server, "00018/dist.jpg"), 2U);  // the plain load and the prefetch
  // Fetched ahead without touching the window: no progress, no status, no page event.
  EXPECT_EQ(view.status[0], " Fertig.");
  EXPECT_FALSE(mainWindow->waitFor(kPageImageEvent, 10ms).has_value());

  const std::size_t requestsBefore = server.requestLog().size();
  const std::size_t requestsFor18 = countRequests(server, "00018");
  view.page = "18";
  LoadPage(context);
  EXPECT_EQ(request.currentStep, 0U) << "no look-ups";
  EXPECT_NE(request.currentRequest, 0U);
  EXPECT_EQ(view.status[0], plainStatus);
  EXPECT_EQ(view.status[1], " Zoom:");
  EXPECT_EQ(view.progressMaximum, plainView.progressMaximum);
  EXPECT_EQ(request.currentApid, plain.currentApid);
  EXPECT_EQ(request.lastAnswer, plain.lastAnswer);
  EXPECT_EQ(request.lastImageSize, plain.lastImageSize);
  // The page event is already queued: no request reaches the archive.
  const auto event = mainWindow->waitFor(kPageImageEvent, 10ms);
  ASSERT_TRUE(event.has_value());
  const std::vector<unsigned char> shownBody = showAnswer(context, event->data);
  // Page 19 may be asked for already; page 18 is not asked for again.
  EXPECT_EQ(countRequests(server, "00018"), requestsFor18);
  EXPECT_EQ(identityOf(shownBody), "film 4010472  fram  00018");
  EXPECT_EQ(shownBody, plainBody);
  EXPECT_EQ(view.status[0], " Fertig.");
  EXPECT_EQ(request.currentRequest, 0U);

  // Page 19 is fetched next; page 17, the one before, is kept for a step back.
  runPrefetch(prefetch);
  EXPECT_NE(prefetch.find("004010472", "00019"), nullptr);
  ASSERT_NE(prefetch.find("004010472", "00017"), nullptr);
  EXPECT_EQ(identityOf(prefetch.find("004010472", "00017")->body), "film 4010472  fram  00017");
  view.page = "17";
  LoadPage(context);
  EXPECT_EQ(request.currentStep, 0U);
  EXPECT_EQ(request.currentApid, "TH-1951-58455-2341-36-00017");
  EXPECT_EQ(deliverPage(), PageAnswer::Shown);
  EXPECT_EQ(server.requestLog().size(), requestsBefore + 3) << "only page 19's three requests";
  // Showing 17 keeps 16..18: page 19 is dropped.
  EXPECT_EQ(prefetch.find("004010472", "00019"), nullptr);
  EXPECT_EQ(engine.jobCount(), 0U);
}

TEST_F(PrefetchTest, AnotherFilmOrPageIsNeverShownFromMemory) {
  showAndFetchAhead("4010472", "17");
  ASSERT_NE(prefetch.find("004010472", "00018"), nullptr);
  EXPECT_EQ(prefetch.heldCount(), 2U);

  // Page 18 of another film: asked of the archive, and film 4010472's pages are dropped.
  view.id = "4010473";
  view.page = "18";
  LoadPage(context);
  EXPECT_NE(request.currentStep, 0U) << "looked up, not taken from memory";
  EXPECT_EQ(prefetch.heldCount(), 0U);
  deliverPage();
  EXPECT_NE(request.currentApid, "TH-1951-58455-2341-36-00018");
  EXPECT_EQ(request.requestId, "004010473");

  // A page two ahead is not the one fetched.
  prefetch.clear();
  showAndFetchAhead("4010472", "17");
  view.id = "4010472";
  view.page = "19";
  LoadPage(context);
  EXPECT_NE(request.currentStep, 0U);
  EXPECT_EQ(deliverPage(), PageAnswer::Shown);
  EXPECT_EQ(request.currentApid, "TH-1951-58455-2341-36-00019");
  runPrefetch(prefetch);
  EXPECT_EQ(engine.jobCount(), 0U);
}

// Page 18's look-up answers after 1.5 s, so its fetch is still in flight when the user asks
// for another page.
class SlowPrefetchTest : public PrefetchTest {
 protected:
  SlowPrefetchTest() : PrefetchTest({"--fault", "latency=1500:_00018/location/db"}) {}
};

TEST_F(SlowPrefetchTest, ANewRequestCancelsTheFetchInFlight) {
  ASSERT_EQ(loadPage("4010472", "17"), PageAnswer::Shown);
  ASSERT_TRUE(prefetch.fetching());
  view.page = "30";
  LoadPage(context);
  EXPECT_FALSE(prefetch.fetching());
  EXPECT_EQ(deliverPage(), PageAnswer::Shown);
  EXPECT_EQ(request.currentApid, "TH-1951-58455-2341-36-00030");
  // Page 31 is fetched now; page 18's answer, should it still come, is dropped.
  runPrefetch(prefetch);
  EXPECT_EQ(prefetch.find("004010472", "00018"), nullptr);
  EXPECT_NE(prefetch.find("004010472", "00031"), nullptr);
  EXPECT_EQ(countRequests(server, "00018/dist.jpg"), 0U);
  EXPECT_EQ(engine.jobCount(), 0U);
}

// Page 18's size query and image never come: Esc or a new request cancels the fetch ahead at
// once (its jobs were ended one after the other, each waited for).
class StalledPrefetchTest : public PrefetchTest {
 protected:
  StalledPrefetchTest()
      : PrefetchTest(
            {"--fault", "latency=60000:00018/size", "--fault", "latency=60000:00018/dist"}) {}
};

TEST_F(StalledPrefetchTest, CancellingTheFetchNeverWaitsForItsJobs) {
  ASSERT_EQ(loadPage("4010472", "17"), PageAnswer::Shown);
  ASSERT_TRUE(prefetch.fetching());
  // The location answer starts the size query and the image.
  const auto located = steps->next(20s);
  ASSERT_TRUE(located.has_value());
  HandleRequestEvent(context, located->code, located->data);
  for (int i = 0; i < 4000 && (countRequests(server, "00018/size") == 0 ||
                               countRequests(server, "00018/dist.jpg") == 0);
       ++i) {
    std::this_thread::sleep_for(5ms);
  }
  ASSERT_EQ(countRequests(server, "00018/dist.jpg"), 1U);
  ASSERT_TRUE(prefetch.fetching());
  const auto start = std::chrono::steady_clock::now();
  prefetch.cancel();
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, 100ms) << std::chrono::duration_cast<std::chrono::milliseconds>(took).count()
                         << " ms";
  EXPECT_FALSE(prefetch.fetching());
  EXPECT_EQ(engine.jobCount(), 0U);
  EXPECT_FALSE(steps->next(300ms).has_value()) << "a cancelled fetch posts nothing";
}

// Pages whose image answers fail: an HTTP error page (500), a text answered with 200, and the
// archive's XML refusal (404).
class FailedPrefetchTest : public PrefetchTest {
 protected:
  FailedPrefetchTest()
      : PrefetchTest({"--fault", "htmlerror=00018/dist", "--fault", "nonimage=00021/dist",
                      "--fault", "notfound=00024/dist"}) {}
};

TEST_F(FailedPrefetchTest, AFailedAnswerIsNeverKeptAndTheStepAsksTheArchiveAgain) {
  for (const auto& [shown, failed] :
       {std::pair{"17", "00018"}, std::pair{"20", "00021"}, std::pair{"23", "00024"}}) {
    SCOPED_TRACE(failed);
    showAndFetchAhead("4010472", shown);
    EXPECT_EQ(countRequests(server, std::string(failed) + "/dist.jpg"), 1U) << "fetched ahead";
    EXPECT_EQ(prefetch.find("004010472", failed), nullptr) << "a failed answer was kept";
    // ">>": the page is asked of the archive, not shown from memory.
    view.id = "4010472";
    view.page = failed;
    LoadPage(context);
    EXPECT_NE(request.currentStep, 0U) << "taken from memory";
    deliverPage();
    EXPECT_EQ(countRequests(server, std::string(failed) + "/dist.jpg"), 2U);
    runPrefetch(prefetch);
  }
  EXPECT_EQ(engine.jobCount(), 0U);
}

TEST(NextPageText, StepsOnlyPlainPageNumbers) {
  EXPECT_EQ(nextPageText("00017"), "00018");
  EXPECT_EQ(nextPageText("09999"), "10000");
  EXPECT_EQ(nextPageText("99998"), "99999");
  EXPECT_EQ(nextPageText("99999"), std::nullopt);
  EXPECT_EQ(nextPageText(""), std::nullopt);
  EXPECT_EQ(nextPageText("1a"), std::nullopt);
  EXPECT_EQ(nextPageText("-0001"), std::nullopt);
}

}  // namespace
}  // namespace korvalis
