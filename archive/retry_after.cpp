#include "archive/retry_after.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <vector>

namespace korvalis {

namespace {

constexpr std::int64_t kFarBeyondCap = 1'000'000'000;  // about 31 years
constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<std::string_view, 7> kWeekdays = {"Mon", "Tue", "Wed", "Thu",
                                                       "Fri", "Sat", "Sun"};

std::string_view trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && blank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

bool allDigits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

/// A whole number of exactly the digits in `text` (1 to 4 of them).
std::optional<int> smallNumber(std::string_view text) {
  if (!allDigits(text) || text.size() > 4) {
    return std::nullopt;
  }
  int value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

/// The parts of a date split at blanks, commas and dashes.
std::vector<std::string_view> tokens(std::string_view text) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == ' ' || text[i] == ',' || text[i] == '-') {
      if (i > start) {
        parts.push_back(text.substr(start, i - start));
      }
      start = i + 1;
    }
  }
  return parts;
}

std::optional<unsigned> monthNumber(std::string_view name) {
  for (std::size_t i = 0; i < kMonths.size(); ++i) {
    if (kMonths[i] == name) {
      return static_cast<unsigned>(i + 1);
    }
  }
  return std::nullopt;
}

bool isWeekday(std::string_view name) {
  for (const std::string_view day : kWeekdays) {
    if (name.substr(0, 3) == day) {
      return true;
    }
  }
  return false;
}

/// "HH:MM:SS" as seconds of the day.
std::optional<std::chrono::seconds> timeOfDay(std::string_view text) {
  if (text.size() != 8 || text[2] != ':' || text[5] != ':') {
    return std::nullopt;
  }
  const auto h = smallNumber(text.substr(0, 2));
  const auto m = smallNumber(text.substr(3, 2));
  const auto s = smallNumber(text.substr(6, 2));
  if (!h || !m || !s || *h > 23 || *m > 59 || *s > 60) {
    return std::nullopt;
  }
  return std::chrono::hours(*h) + std::chrono::minutes(*m) + std::chrono::seconds(*s);
}

std::optional<std::chrono::sys_seconds> makeDate(int year, std::optional<unsigned> month,
                                                 std::optional<int> day,
                                                 std::optional<std::chrono::seconds> time) {
  if (!month || !day || !time) {
    return std::nullopt;
  }
  const std::chrono::year_month_day date{std::chrono::year(year), std::chrono::month(*month),
                                         std::chrono::day(static_cast<unsigned>(*day))};
  if (!date.ok()) {
    return std::nullopt;
  }
  return std::chrono::sys_days(date) + *time;
}

/// The three date forms HTTP knows, all in GMT.
std::optional<std::chrono::sys_seconds> httpDate(std::string_view text) {
  const std::vector<std::string_view> parts = tokens(text);
  if (parts.size() == 6 && isWeekday(parts[0]) && parts[5] == "GMT") {
    // "Sun, 06 Nov 1994 08:49:37 GMT" or "Sunday, 06-Nov-94 08:49:37 GMT"
    const auto year = smallNumber(parts[3]);
    if (!year || (parts[3].size() != 4 && parts[3].size() != 2) || parts[1].size() != 2) {
      return std::nullopt;
    }
    // Two-digit years: 70-99 are 1970-1999, the others 2000-2069.
    const int fullYear = parts[3].size() == 4 ? *year : (*year >= 70 ? 1900 : 2000) + *year;
    return makeDate(fullYear, monthNumber(parts[2]), smallNumber(parts[1]), timeOfDay(parts[4]));
  }
  if (parts.size() == 5 && isWeekday(parts[0]) && parts[0].size() == 3 && parts[4].size() == 4) {
    // "Sun Nov  6 08:49:37 1994"
    const auto year = smallNumber(parts[4]);
    if (!year || parts[2].size() > 2) {
      return std::nullopt;
    }
    return makeDate(*year, monthNumber(parts[1]), smallNumber(parts[2]), timeOfDay(parts[3]));
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::chrono::seconds> parseRetryAfter(std::string_view value,
                                                    std::chrono::system_clock::time_point now) {
  value = trimmed(value);
  if (allDigits(value)) {
    std::int64_t seconds = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    if (error == std::errc::result_out_of_range || seconds > kFarBeyondCap) {
      return std::chrono::seconds(kFarBeyondCap);
    }
    return std::chrono::seconds(seconds);
  }
  const auto date = httpDate(value);
  if (!date) {
    return std::nullopt;
  }
  const auto wait = std::chrono::ceil<std::chrono::seconds>(*date - now);
  return std::clamp(wait, std::chrono::seconds(0), std::chrono::seconds(kFarBeyondCap));
}

std::optional<std::chrono::milliseconds> politeDelay(int status, std::string_view retryAfter,
                                                     std::chrono::system_clock::time_point now) {
  if (status != 429 && status != 503) {
    return std::nullopt;
  }
  const auto wait = parseRetryAfter(retryAfter, now);
  if (!wait || *wait > kRetryAfterCap) {
    return std::nullopt;
  }
  return std::chrono::duration_cast<std::chrono::milliseconds>(*wait);
}

std::chrono::milliseconds spreadPause(std::chrono::milliseconds pause, std::uint64_t salt) {
  // A 64-bit mix of the salt (splitmix64's finaliser), so neighbouring salts spread widely.
  std::uint64_t mixed = salt + 0x9E3779B97F4A7C15ULL;
  mixed = (mixed ^ (mixed >> 30)) * 0xBF58476D1CE4E5B9ULL;
  mixed = (mixed ^ (mixed >> 27)) * 0x94D049BB133111EBULL;
  mixed ^= mixed >> 31;
  return pause +
         std::chrono::milliseconds(mixed % static_cast<std::uint64_t>(kPauseSpread.count()));
}

}  // namespace korvalis
