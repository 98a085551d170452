// The shown page is one page: while a downloaded page is shown and the user has neither turned
// nor post-processed it, the image on screen is its kept download decoded. A page that comes
// back over a newer one (a restore from an old backup) breaks this.
#pragma once

#include <optional>
#include <set>
#include <string>

namespace korvalis::monkey {

struct MonkeyContext;

class PageConsistency {
 public:
  /// The user changes the shown page's pixels (turn, post-processing): its image no longer
  /// equals its download.
  void pageEdited(MonkeyContext& context);
  /// Nothing when the shown image and the kept download agree (or cannot be compared).
  std::optional<std::string> check(MonkeyContext& context) const;

 private:
  std::set<std::string> edited_;  ///< identities of pages the user changed
};

}  // namespace korvalis::monkey
