#include "tools/krv/terminal.h"

#include <langinfo.h>

#include <clocale>
#include <cstring>

#include "platform/cp1252.h"

namespace korvalis::krv {
namespace {

bool utf8Terminal = false;

}  // namespace

void setUpTerminal() {
  // LC_NUMERIC stays "C": a German locale would otherwise read "1.5" as 1 in strtod.
  if (std::setlocale(LC_CTYPE, "") == nullptr) {
    return;  // an unknown locale: the C locale stays in effect
  }
  const char* codeset = ::nl_langinfo(CODESET);
  utf8Terminal = codeset != nullptr &&
                 (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
}

bool terminalIsUtf8() {
  return utf8Terminal;
}

std::string terminalText(std::string_view cp1252) {
  return utf8Terminal ? cp1252ToUtf8(cp1252) : std::string(cp1252);
}

std::string argumentText(std::string_view argument) {
  if (!utf8Terminal) {
    return std::string(argument);
  }
  return utf8ToCp1252(argument).value_or(std::string(argument));
}

std::string fileNameText(std::string_view fileName) {
  return utf8Terminal ? utf8ToCp1252Lossy(fileName) : std::string(fileName);
}

}  // namespace korvalis::krv
