// The main window's page loading and the prefetch against an archive that lets one request a
// second through and answers the others 429 "Retry-After: 1": the pauses are waited out on the
// engine's workers, the page is shown as usual, and no request is wasted.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "archive/page_prefetch.h"
#include "archive/tests/page_loading_fixture.h"

namespace korvalis {
namespace {

class PoliteLoadingTest : public testing::PageLoadingFixture {
 protected:
  PoliteLoadingTest() : PageLoadingFixture({"--fault", "ratelimit=1"}) {
    context.prefetch = &prefetch;
  }
  std::size_t count(std::string_view part, bool turnedAway) const {
    const auto log = server.requestLog();
    return static_cast<std::size_t>(std::count_if(log.begin(), log.end(), [&](const auto& line) {
      return line.find(part) != std::string::npos &&
             (line.find("=> 429") != std::string::npos) == turnedAway;
    }));
  }

  PagePrefetch prefetch{engine, request, steps};
};

TEST_F(PoliteLoadingTest, PausesAreWaitedOutAndThePageIsShownAsUsual) {
  EXPECT_EQ(loadPage("4010472", "17"), PageAnswer::Shown);
  EXPECT_EQ(view.status[0], " Fertig.");
  EXPECT_EQ(request.currentApid, "TH-1951-58455-2341-36-00017");
  EXPECT_GT(request.lastImageSize, 0);
  // Three requests one after the other: the second, at least, came within the first's second.
  EXPECT_GE(count("", /*turnedAway=*/true), 1U);
  EXPECT_EQ(count("00017/location/db", false), 1U);
  EXPECT_EQ(count("-00017/size", false), 1U);
  EXPECT_EQ(count("-00017/dist.jpg", false), 1U);

  // The page after it is fetched ahead the same way and then shown without a request.
  runPrefetch(prefetch);
  ASSERT_NE(prefetch.find("004010472", "00018"), nullptr);
  EXPECT_EQ(count("-00018/dist.jpg", false), 1U);
  const std::size_t before = server.requestLog().size();
  const std::size_t limited = count("", true);
  EXPECT_EQ(before - limited, 6U) << "three requests a page, besides the turned-away ones";
  view.page = "18";
  LoadPage(context);
  EXPECT_EQ(request.currentStep, 0U) << "no look-ups";
  const auto event = mainWindow->waitFor(kPageImageEvent, std::chrono::seconds(20));
  ASSERT_TRUE(event.has_value());
  EXPECT_EQ(HandlePageAnswer(context, event->data, testing::fakeShow), PageAnswer::Shown);
  EXPECT_EQ(count("00018", false), 3U);
}

}  // namespace
}  // namespace korvalis
