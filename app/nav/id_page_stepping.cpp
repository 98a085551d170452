#include "app/nav/id_page_stepping.h"

#include <algorithm>

namespace korvalis::nav {

namespace {

constexpr std::uint32_t kIdEnd = 1'000'000'000;  // one past the largest nine-digit ID
constexpr std::uint32_t kPageEnd = 100'000;      // one past the largest five-digit page

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

StepResult unchanged(StepOutcome outcome, std::string_view idText, std::string_view pageText,
                     std::string_view status = {}) {
  return {outcome, std::string(idText), std::string(pageText), std::string(status)};
}

StepResult stepId(bool next, std::string_view idText, std::string_view pageText) {
  const auto id = readPaddedField(idText, kIdDigits);
  if (!id) {
    return unchanged(StepOutcome::Invalid, idText, pageText, kInvalidIdText);
  }
  std::uint32_t value = *id;
  if (next && value < kIdEnd - 1) {
    ++value;
  } else if (!next && value > 0 && value < kIdEnd) {
    --value;
  } else {
    return unchanged(StepOutcome::AtLimit, idText, pageText);
  }
  return {
      StepOutcome::Changed, writePaddedField(value, kIdDigits), std::string(kFirstPageText), {}};
}

StepResult stepPage(bool next, std::string_view idText, std::string_view pageText) {
  const auto page = readPaddedField(pageText, kPageDigits);
  if (!page) {
    return unchanged(StepOutcome::Invalid, idText, pageText, kInvalidPageText);
  }
  std::uint32_t value = *page;
  if (next && value < kPageEnd - 1) {
    ++value;
  } else if (!next && value > 1 && value < kPageEnd) {
    --value;
  } else {
    return unchanged(StepOutcome::AtLimit, idText, pageText);
  }
  return {StepOutcome::Changed, std::string(idText), writePaddedField(value, kPageDigits), {}};
}

}  // namespace

std::optional<std::uint32_t> readPaddedField(std::string_view text, std::size_t width) {
  // A plain number is all digits and fits the field: padded and written back it gives the
  // same text. Longer texts (pasted in) are refused rather than silently cut.
  if (text.size() > width || !std::ranges::all_of(text, isDigit)) {
    return std::nullopt;
  }
  std::uint32_t value = 0;
  for (const char c : text) {
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return value;
}

std::string writePaddedField(std::uint32_t value, std::size_t width) {
  std::string digits = std::to_string(value);
  if (digits.size() < width) {
    digits.insert(0, width - digits.size(), '0');
  }
  return digits;
}

StepResult step(StepKind kind, std::string_view idText, std::string_view pageText) {
  switch (kind) {
    case StepKind::NextId:
      return stepId(true, idText, pageText);
    case StepKind::PreviousId:
      return stepId(false, idText, pageText);
    case StepKind::NextPage:
      return stepPage(true, idText, pageText);
    case StepKind::PreviousPage:
      return stepPage(false, idText, pageText);
  }
  return unchanged(StepOutcome::AtLimit, idText, pageText);
}

}  // namespace korvalis::nav
