#include "archive/page_answer.h"

#include <string_view>

namespace korvalis {

PageAnswer classifyPageAnswer(std::optional<std::span<const unsigned char>> body,
                              PageAnswer shown) {
  if (!body) {
    return PageAnswer::NoData;
  }
  if (shown == PageAnswer::Shown || shown == PageAnswer::Broken) {
    return shown;
  }
  const std::string_view text(reinterpret_cast<const char*>(body->data()), body->size());
  return text.find("<?xml") != std::string_view::npos ? PageAnswer::NotAvailable
                                                      : PageAnswer::Ignored;
}

}  // namespace korvalis
