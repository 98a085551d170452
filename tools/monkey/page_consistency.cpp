#include "tools/monkey/page_consistency.h"

#include <vector>

#include "app/app_state.h"
#include "app/ui/program.h"
#include "tools/monkey/monkey_context.h"
#include "tools/monkey/saved_file_check.h"
#include "viewer/image_codec.h"
#include "viewer/ui/page_view.h"

namespace korvalis::monkey {

namespace {
/// The identity of the shown download, "" when none is kept.
std::string shownIdentity(MonkeyContext& context) {
  const auto& bytes = context.state.view.pageBytes;
  return bytes ? pageIdentity(std::vector<std::uint8_t>(bytes->begin(), bytes->end()))
               : std::string();
}
}  // namespace

void PageConsistency::pageEdited(MonkeyContext& context) {
  edited_.insert(shownIdentity(context));
}

std::optional<std::string> PageConsistency::check(MonkeyContext& context) const {
  const auto& bytes = context.state.view.pageBytes;
  const std::string identity = shownIdentity(context);
  if (!bytes || identity.empty() || edited_.contains(identity) ||
      !context.program.pageView().hasPageImage()) {
    return std::nullopt;
  }
  const DecodeResult decoded = decodeImage(std::span<const std::uint8_t>(*bytes));
  if (!decoded.ok()) {
    return std::nullopt;
  }
  if (!(decoded.image == context.program.pageView().pageImage())) {
    return "the page image shown is not the shown page " + identity +
           " (its kept download decodes to another image)";
  }
  return std::nullopt;
}

}  // namespace korvalis::monkey
