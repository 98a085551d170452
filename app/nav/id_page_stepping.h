// Stepping the ID and page fields of the navigation panel: reading, validating and
// writing back the zero-padded field texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvalis::nav {

inline constexpr std::size_t kIdDigits = 9;
inline constexpr std::size_t kPageDigits = 5;
inline constexpr std::string_view kInvalidIdText = " ung\xFCltiges ID-Format";
inline constexpr std::string_view kInvalidPageText = " ung\xFCltiges Seitenformat";
inline constexpr std::string_view kFirstPageText = "00001";

/// Reads a field padded on the left with zeros to `width` characters. An empty field reads
/// as 0. Returns nothing when the text is not a plain number that fits the width.
std::optional<std::uint32_t> readPaddedField(std::string_view text, std::size_t width);

/// Writes `value` with at least `width` digits, padded on the left with zeros.
std::string writePaddedField(std::uint32_t value, std::size_t width);

enum class StepKind { NextId, PreviousId, NextPage, PreviousPage };

enum class StepOutcome {
  Changed,  ///< the field (and, for an ID step, the page field) got a new text
  AtLimit,  ///< the value is at the end of its range; the fields keep their text
  Invalid,  ///< the field is not a number; statusText holds the message
};

struct StepResult {
  StepOutcome outcome = StepOutcome::AtLimit;
  std::string idText;      ///< the ID field's text after the step
  std::string pageText;    ///< the page field's text after the step
  std::string statusText;  ///< status field 0 after the step (emptied in every case)
};

/// One step of the ID or page field. The page range of the current entry is not consulted.
StepResult step(StepKind kind, std::string_view idText, std::string_view pageText);

}  // namespace korvalis::nav
