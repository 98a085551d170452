// How long an archive that asks for a pause (429 Too Many Requests, 503 Service Unavailable)
// wants the client to wait: its Retry-After header read into a delay. Toolkit-free.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

namespace korvalis {

/// The longest pause the program keeps; an answer that asks for more counts as a failed try.
inline constexpr std::chrono::seconds kRetryAfterCap{120};

/// How many pauses one request waits out before its answer counts as it came. Generous: when
/// several requests are turned away at once, some of them are turned away again when they all
/// come back together.
inline constexpr int kDefaultPoliteWaits = 30;

/// The longest extra time spreadPause adds.
inline constexpr std::chrono::milliseconds kPauseSpread{250};

/// The seconds a Retry-After value asks for at `now`: delta seconds ("120") or an HTTP date
/// (IMF-fixdate "Sun, 06 Nov 1994 08:49:37 GMT", the obsolete RFC 850 and asctime forms). A
/// date in the past gives 0; nothing for a value that is neither. Very large counts are
/// clamped to a value far beyond kRetryAfterCap.
std::optional<std::chrono::seconds> parseRetryAfter(std::string_view value,
                                                    std::chrono::system_clock::time_point now);

/// The pause an answer with HTTP `status` and Retry-After `retryAfter` asks for: a value for
/// 429 and 503 with a readable Retry-After of at most kRetryAfterCap, otherwise nothing (a
/// 429 without Retry-After, or one asking for longer, takes the caller's usual retry rules).
std::optional<std::chrono::milliseconds> politeDelay(int status, std::string_view retryAfter,
                                                     std::chrono::system_clock::time_point now);

/// `pause` and a little more (below kPauseSpread, fixed by `salt`), so that requests turned
/// away together do not all come back in the same instant and get turned away again.
std::chrono::milliseconds spreadPause(std::chrono::milliseconds pause, std::uint64_t salt);

}  // namespace korvalis
