// Reading the Retry-After header of an archive that asks for a pause.
#include "archive/retry_after.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <set>
#include <string_view>

namespace korvalis {
namespace {

using std::chrono::seconds;

// Sun, 06 Nov 1994 08:49:37 GMT
const auto kNow = std::chrono::sys_days(std::chrono::year(1994) / 11 / 6) + std::chrono::hours(8) +
                  std::chrono::minutes(49) + seconds(37);

TEST(RetryAfter, SecondsAndTheThreeHttpDateFormsAreReadAndGarbageIsNot) {
  struct Case {
    std::string_view value;
    std::optional<seconds> wait;
  };
  const Case cases[] = {
      {"0", seconds(0)},
      {"1", seconds(1)},
      {" 120 ", seconds(120)},
      {"\t7", seconds(7)},
      {"99999999999999999999999", seconds(1'000'000'000)},  // clamped, far beyond the cap
      {"Sun, 06 Nov 1994 08:49:47 GMT", seconds(10)},
      {"Sunday, 06-Nov-94 08:50:37 GMT", seconds(60)},
      {"Sun Nov  6 08:51:37 1994", seconds(120)},
      {"Mon, 07 Nov 1994 08:49:37 GMT", seconds(86400)},
      // Dates in the past (or now) ask for no wait at all.
      {"Sun, 06 Nov 1994 08:49:37 GMT", seconds(0)},
      {"Sat, 05 Nov 1994 08:49:37 GMT", seconds(0)},
      {"Thu, 01 Jan 1970 00:00:00 GMT", seconds(0)},
      // Garbage: nothing.
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"-5", std::nullopt},
      {"1.5", std::nullopt},
      {"12s", std::nullopt},
      {"soon", std::nullopt},
      {"Sun, 06 Nov 1994 08:49:47", std::nullopt},      // no GMT
      {"Sun, 06 Nov 1994 08:49:47 CET", std::nullopt},  // not GMT
      {"Sun, 31 Feb 1994 08:49:47 GMT", std::nullopt},  // no such day
      {"Sun, 06 Foo 1994 08:49:47 GMT", std::nullopt},
      {"Sun, 06 Nov 1994 25:49:47 GMT", std::nullopt},
      {"Sun, 06 Nov 1994 08:4947 GMT", std::nullopt},
      {"Sun, 6 Nov 1994 08:49:47 GMT extra", std::nullopt},
      {"Sun Nov  6 08:51:37", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parseRetryAfter(c.value, kNow), c.wait) << '"' << c.value << '"';
  }
}

TEST(RetryAfter, OnlyTooManyRequestsAndUnavailableWithAWaitWithinTheCapArePauses) {
  using std::chrono::milliseconds;
  EXPECT_EQ(politeDelay(429, "1", kNow), milliseconds(1000));
  EXPECT_EQ(politeDelay(503, "120", kNow), milliseconds(120000));
  EXPECT_EQ(politeDelay(503, "Sun, 06 Nov 1994 08:49:40 GMT", kNow), milliseconds(3000));
  EXPECT_EQ(politeDelay(429, "Sat, 05 Nov 1994 08:49:37 GMT", kNow), milliseconds(0));
  // Longer than two minutes: a failed try, not a pause.
  EXPECT_EQ(politeDelay(429, "121", kNow), std::nullopt);
  EXPECT_EQ(politeDelay(503, "Sun, 06 Nov 1994 08:51:38 GMT", kNow), std::nullopt);
  // Without a readable Retry-After, or another status: the usual rules.
  EXPECT_EQ(politeDelay(429, "", kNow), std::nullopt);
  EXPECT_EQ(politeDelay(429, "later", kNow), std::nullopt);
  EXPECT_EQ(politeDelay(500, "1", kNow), std::nullopt);
  EXPECT_EQ(politeDelay(200, "1", kNow), std::nullopt);
  EXPECT_EQ(politeDelay(0, "1", kNow), std::nullopt);
}

// Requests turned away together come back spread over a quarter second, never earlier than
// asked.
TEST(RetryAfter, PausesAreSpreadAndNeverShortened) {
  using std::chrono::milliseconds;
  std::set<long long> seen;
  for (std::uint64_t salt = 0; salt < 64; ++salt) {
    const milliseconds spread = spreadPause(milliseconds(1000), salt);
    EXPECT_GE(spread, milliseconds(1000));
    EXPECT_LT(spread, milliseconds(1000) + kPauseSpread);
    seen.insert(spread.count());
  }
  EXPECT_GT(seen.size(), 40U);
  EXPECT_EQ(spreadPause(milliseconds(5), 7), spreadPause(milliseconds(5), 7));
}

}  // namespace
}  // namespace korvalis
