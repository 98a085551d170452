#include <cstdint>

#include "archive/page_address.h"
#include "platform/cp1252.h"

namespace korvalis {

std::string extractApid(std::string_view answer) {
  const std::size_t found = answer.find("found=\"true\"");
  if (found == std::string_view::npos) {
    return std::string(kUnknownApid);
  }
  const std::string_view rest = answer.substr(found);
  const std::size_t first = rest.find("TH-");
  if (first == std::string_view::npos) {
    return std::string(kUnknownApid);
  }
  std::string_view value = rest.substr(first + 3);
  value = value.substr(0, value.find("TH-"));
  value = value.substr(0, value.find(','));
  return "TH-" + std::string(value);
}

std::int64_t parseImageSize(std::string_view answer) {
  const std::string lower = cp1252LowerText(answer);
  const std::string_view text(lower);
  if (text.find("<?xml") == std::string_view::npos ||
      text.find("uptodate") == std::string_view::npos ||
      text.find("true") == std::string_view::npos || text.size() < 2 ||
      text.find("size", 1) == std::string_view::npos) {
    return -1;
  }
  constexpr std::string_view kSize = "size=\"";
  const std::size_t firstSize = text.find(kSize);
  const std::size_t secondSize =
      firstSize == std::string_view::npos ? firstSize : text.find(kSize, firstSize + 1);
  if (secondSize == std::string_view::npos) {
    return 0;
  }
  std::int64_t value = 0;
  constexpr std::int64_t kLimit = (INT64_MAX - 9) / 10;
  for (std::size_t i = secondSize + kSize.size(); i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9' || value > kLimit) {
      break;
    }
    value = value * 10 + (c - '0');
  }
  return value;
}

std::string extractChildName(std::string_view answer) {
  constexpr std::string_view kChild = "childName=";
  const std::size_t child = answer.find(kChild);
  if (answer.find("parentApid=") == std::string_view::npos || child == std::string_view::npos) {
    return "";
  }
  const std::string_view rest = answer.substr(child + kChild.size());
  const std::size_t open = rest.find('"');
  if (open == std::string_view::npos) {
    return "";
  }
  const std::size_t close = rest.find('"', open + 1);
  if (close == std::string_view::npos) {
    return "";
  }
  return std::string(rest.substr(open + 1, close - open - 1));
}

}  // namespace korvalis
