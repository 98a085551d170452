#pragma once

#include <optional>
#include <span>

namespace korvalis {

/// What became of a page-image answer (code 65536), from the viewer's decoding to the main
/// window's texts. The one outcome type of a page answer.
enum class PageAnswer {
  Shown,         ///< decoded and shown: " Fertig."
  Broken,        ///< decoded, but the image is not available: " Fehlerhafte Seite empfangen."
  NotAvailable,  ///< XML answer instead of an image: error page, " Seite nicht bekannt!"
  Ignored,       ///< neither image nor XML: nothing changes
  NoData,        ///< no body: error page, " Ungültige Antwort"
};

/// The outcome of an answer. `body` is the answer's data (nothing: no data); `shown` is what
/// the viewer made of it: Shown, Broken, or Ignored for a body that is no image. A body that
/// is no image is NotAvailable when it holds the archive's XML answer.
PageAnswer classifyPageAnswer(std::optional<std::span<const unsigned char>> body, PageAnswer shown);

}  // namespace korvalis
