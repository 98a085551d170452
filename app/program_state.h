// What the program remembers from one start to the next (the printer chosen in the print
// window): KEY=VALUE lines (UTF-8) in the program's state file, apart from the settings file
// that the user writes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvalis {

/// The state file: $XDG_STATE_HOME/korvalis/state when XDG_STATE_HOME is an absolute path, else
/// $HOME/.local/state/korvalis/state; "" when neither is set.
std::string stateFilePath();

/// The value of `key` in the text of a state file; nothing when no line names it. Lines that
/// are not KEY=VALUE are passed over; CR LF line ends are accepted.
std::optional<std::string> stateValue(std::string_view text, std::string_view key);

/// `text` with `key` set to `value`: its line replaced (the first; later ones dropped) or one
/// appended; every other line kept as it was.
std::string withStateValue(std::string_view text, std::string_view key, std::string_view value);

/// The value of `key` in the state file; nothing when the file, or the key in it, is missing
/// or the file cannot be read.
std::optional<std::string> readStateValue(std::string_view key);

/// Sets `key` to `value` in the state file (its folders made as needed), written so that the
/// file holds either its old or its new content. False when that failed, or for a key that is
/// empty or holds '=' or a line break, or a value with a line break.
bool writeStateValue(std::string_view key, std::string_view value);

}  // namespace korvalis
