#include "app/program_state.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/file_io.h"

namespace korvalis {

namespace {

// A state file is a few lines; anything larger is not one and is not read.
constexpr std::uint64_t kStateCap = 64 * 1024;

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

bool hasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

// Calls `line` with each line of `text` (without its line end); stops when it returns false.
template <typename Line>
void forEachLine(std::string_view text, Line line) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view current = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (current.ends_with('\r')) {
      current.remove_suffix(1);
    }
    if (!line(current)) {
      return;
    }
  }
}

bool namesKey(std::string_view line, std::string_view key) {
  return line.size() > key.size() && line.starts_with(key) && line[key.size()] == '=';
}

}  // namespace

std::string stateFilePath() {
  const std::string state = environment("XDG_STATE_HOME");
  if (state.starts_with('/')) {
    return state + "/korvalis/state";
  }
  const std::string home = environment("HOME");
  if (home.empty()) {
    return {};
  }
  return home + "/.local/state/korvalis/state";
}

std::optional<std::string> stateValue(std::string_view text, std::string_view key) {
  std::optional<std::string> value;
  if (key.empty()) {
    return value;
  }
  forEachLine(text, [&value, key](std::string_view line) {
    if (namesKey(line, key)) {
      value = std::string(line.substr(key.size() + 1));
      return false;
    }
    return true;
  });
  return value;
}

std::string withStateValue(std::string_view text, std::string_view key, std::string_view value) {
  std::string result;
  bool written = false;
  const auto writeValue = [&result, key, value] {
    result.append(key).append("=").append(value).append("\n");
  };
  forEachLine(text, [&](std::string_view line) {
    if (!namesKey(line, key)) {
      result.append(line).append("\n");
    } else if (!written) {
      writeValue();
      written = true;
    }
    return true;
  });
  if (!written) {
    writeValue();
  }
  return result;
}

std::optional<std::string> readStateValue(std::string_view key) {
  const std::string path = stateFilePath();
  if (path.empty()) {
    return std::nullopt;
  }
  const std::optional<std::string> text = readWholeFile(path, kStateCap);
  return text ? stateValue(*text, key) : std::nullopt;
}

bool writeStateValue(std::string_view key, std::string_view value) {
  const std::string path = stateFilePath();
  if (path.empty() || key.empty() || key.find('=') != std::string_view::npos || hasLineBreak(key) ||
      hasLineBreak(value)) {
    return false;
  }
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
  if (error) {
    return false;
  }
  // A file too large or unreadable is replaced by the one value: it held no usable state.
  const std::string old = readWholeFile(path, kStateCap).value_or(std::string());
  return writeFileAtomically(path, withStateValue(old, key, value));
}

}  // namespace korvalis
