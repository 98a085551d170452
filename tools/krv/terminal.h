// The terminal's side of krv: messages and listings go out in the locale's encoding and
// arguments come in in it, while the core and the files keep their Windows-1252 bytes.
#pragma once

#include <string>
#include <string_view>

namespace korvalis::krv {

/// Reads the character encoding of the user's locale (LC_ALL, LC_CTYPE, LANG). Only the
/// character type category is taken over, so numbers are still read and written with a point.
/// Called once at start-up, before anything is printed.
void setUpTerminal();

/// True when the locale's encoding is UTF-8. Any other locale (C, POSIX, a Latin-1 one) gets
/// the Windows-1252 bytes as before.
bool terminalIsUtf8();

/// A Windows-1252 text (a message, record data) as the terminal shows it.
std::string terminalText(std::string_view cp1252);

/// An argument typed in the terminal as the Windows-1252 text it stands for. An argument that
/// is not valid UTF-8, or holds a character Windows-1252 lacks, is taken as it is.
std::string argumentText(std::string_view argument);

/// A file name (UTF-8 on disk) as part of a Windows-1252 message: on a UTF-8 terminal the
/// characters Windows-1252 cannot hold become '?'; elsewhere its bytes are kept.
std::string fileNameText(std::string_view fileName);

}  // namespace korvalis::krv
