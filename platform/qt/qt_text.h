#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace korvalis {

/// Windows-1252 bytes to a QString (every byte maps to one character, see platform/cp1252.h).
QString toQString(std::string_view text);

/// A QString to Windows-1252 bytes; a character Windows-1252 cannot store becomes '?'.
std::string fromQString(const QString& text);

/// A message text for display: Windows-1252 bytes converted, each CR (and CR LF) turned into
/// a line break.
QString toDisplayText(std::string_view text);

/// A UTF-8 path to a QString and back (file names on disk are UTF-8).
QString pathToQString(std::string_view utf8Path);
std::string pathFromQString(const QString& path);

}  // namespace korvalis
