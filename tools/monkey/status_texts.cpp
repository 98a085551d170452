#include "tools/monkey/status_texts.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "app/nav/id_page_stepping.h"
#include "archive/page_address.h"
#include "viewer/page_saving.h"

namespace korvalis::monkey {

namespace {

// Field 0: the request's steps and complaints, the command outcomes, an opened page.
constexpr std::array<std::string_view, 20> kField0 = {
    "",
    " Abbruch!",
    " Fertig.",
    " Fehlerhafte Seite empfangen.",
    " *** Protected ***",
    " *** Seite unbekannt ***",
    " Ung\xFCltige Antwort",
    " Seite nicht bekannt!",
    " ung\xFCliges APID-Format",
    " Suche ID...",
    " ID oder Seite fehlt!",
    " Suche APID...",
    " gefunden",
    kUnknownApid,
    nav::kInvalidIdText,
    nav::kInvalidPageText,
    kUnsupportedTypeStatus,
    kSaveFailedStatus,
    "  Fehler!",
    "  Seite geladen.",
};
constexpr std::array<std::string_view, 3> kField1 = {"", " Zoom:", "Zoom: 100%"};
constexpr std::array<std::string_view, 4> kField3 = {"", "Original", "Kopie", "[Original]"};

bool allDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

bool startsWith(std::string_view text, std::string_view start) {
  return text.substr(0, start.size()) == start;
}

template <std::size_t N>
bool oneOf(const std::array<std::string_view, N>& texts, std::string_view text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// " LADE...  ID : PAGE" with the request's ID and page as the fields held them.
bool loadingText(std::string_view text) {
  constexpr std::string_view head = " LADE...  ";
  if (!startsWith(text, head)) {
    return false;
  }
  const std::string_view rest = text.substr(head.size());
  const std::size_t colon = rest.find(" : ");
  return colon != std::string_view::npos && allDigits(rest.substr(0, colon)) &&
         allDigits(rest.substr(colon + 3));
}

// "  00" + film digits + ":" + page digits: an archive page opened from a file.
bool openedIdentityText(std::string_view text) {
  if (!startsWith(text, "  00")) {
    return false;
  }
  const std::size_t colon = text.find(':');
  return colon != std::string_view::npos && allDigits(text.substr(2, colon - 2)) &&
         allDigits(text.substr(colon + 1));
}

// " Zoom: N%"
bool zoomText(std::string_view text) {
  constexpr std::string_view head = " Zoom: ";
  return startsWith(text, head) && text.size() > head.size() + 1 && text.back() == '%' &&
         allDigits(text.substr(head.size(), text.size() - head.size() - 1));
}

}  // namespace

std::optional<std::string> unknownStatusText(int field, const std::string& text) {
  bool known = false;
  switch (field) {
    case 0:
      known = oneOf(kField0, text) || loadingText(text) || openedIdentityText(text);
      break;
    case 1:
      known = oneOf(kField1, text) || zoomText(text);
      break;
    case 3:
      known = oneOf(kField3, text);
      break;
    default:
      known = text.empty();
  }
  if (known) {
    return std::nullopt;
  }
  return "status field " + std::to_string(field) + " shows \"" + text +
         "\", a text the program does not write there";
}

}  // namespace korvalis::monkey
