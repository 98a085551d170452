#pragma once
// Reads back the PDF files the writer's tests produce with the real readers (qpdf, poppler):
// runs the tools with their standard output and standard error kept apart, checks files with
// qpdf and parses qpdf's JSON description.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <tuple>
#include <vector>

#include "tools/krv/testing/krv_runner.h"

namespace korvalis::testing {

/// Switches the numeric locale to one with a decimal comma for the scope; `active()` is false
/// when the machine lacks it.
class CommaLocale {
 public:
  CommaLocale() {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    saved_ = previous ? previous : "C";
    active_ = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  }
  ~CommaLocale() { std::setlocale(LC_NUMERIC, saved_.c_str()); }
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;
  [[nodiscard]] bool active() const { return active_; }

 private:
  std::string saved_;
  bool active_ = false;
};

/// Whether a missing comma locale fails the test instead of skipping it: in CI (CI=true) the
/// locale is installed by scripts/install-deps.sh, so its absence is a fault, not a machine's gap.
inline bool commaLocaleRequired() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::string_view(ci) == "true";
}

/// Ends the current test when the comma locale is missing (`active` false): a failure in CI, a
/// skip elsewhere.
#define KORVALIS_REQUIRE_COMMA_LOCALE(active)                                    \
  if (!(active)) {                                                               \
    if (::korvalis::testing::commaLocaleRequired())                              \
      FAIL() << "the de_DE.UTF-8 locale is missing (CI=true: it must be there)"; \
    else                                                                         \
      GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";                 \
  }

/// Quotes a path or argument for the shell.
inline std::string shellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text)
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

namespace detail {

/// The directory behind scratchDirectory(). At the end of the process it is removed when
/// nothing but runTool's two capture files is left in it; what a failed test kept stays.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "korvalis-pdf-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot make a temporary folder " + pattern);
    }
    path_ = pattern;
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    for (const char* capture : {"krv_stdout.txt", "krv_stderr.txt"})
      std::filesystem::remove(path_ / capture, ignored);
    std::filesystem::remove(path_, ignored);  // fails, and keeps it, when not empty
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  [[nodiscard]] const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace detail

/// A directory in the temporary folder for this process's files, created on first use.
inline const std::filesystem::path& scratchDirectory() {
  static const detail::ScratchDirectory directory;
  return directory.path();
}

/// A new directory inside scratchDirectory() for the running test, named `prefix` and the
/// test's name.
inline std::filesystem::path testDirectory(const std::string& prefix) {
  std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  std::ranges::replace(name, '/', '_');
  const std::filesystem::path dir = scratchDirectory() / (prefix + "_" + name);
  std::filesystem::create_directories(dir);
  return dir;
}

/// Runs a reader tool found on PATH with already quoted arguments. Its standard output and
/// standard error are captured apart, in files under `dir`: output such as an extracted
/// attachment is binary and must not be mixed with messages.
inline KrvRun runTool(const std::string& tool, const std::filesystem::path& dir,
                      const std::string& args) {
  return runKrv(tool, dir, args);
}

/// "qpdf --check": exit code 0 means no errors and no warnings.
inline KrvRun qpdfCheck(const std::filesystem::path& pdf,
                        const std::filesystem::path& dir = scratchDirectory()) {
  return runTool("qpdf", dir, "--check " + shellQuoted(pdf.string()));
}

/// One value of a JSON document (enough of JSON for qpdf's output).
struct JsonValue {
  enum class Kind { Null, Boolean, Number, String, Array, Object };
  Kind kind = Kind::Null;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<JsonValue> items;
  std::map<std::string, JsonValue> members;

  /// The member `key`, or a null value.
  [[nodiscard]] const JsonValue& operator[](const std::string& key) const {
    static const JsonValue none;
    const auto it = members.find(key);
    return it == members.end() ? none : it->second;
  }
  [[nodiscard]] bool isNull() const { return kind == Kind::Null; }
};

namespace detail {

class JsonParser {
 public:
  explicit JsonParser(std::string_view text) : text_(text) {}

  std::optional<JsonValue> parse() {
    JsonValue value;
    if (!parseValue(value))
      return std::nullopt;
    skipBlanks();
    return pos_ == text_.size() ? std::optional(std::move(value)) : std::nullopt;
  }

 private:
  void skipBlanks() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_])))
      ++pos_;
  }

  bool consume(char c) {
    skipBlanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  bool parseString(std::string& out) {
    if (!consume('"'))
      return false;
    while (pos_ < text_.size() && text_[pos_] != '"') {
      char c = text_[pos_++];
      if (c == '\\') {
        if (pos_ >= text_.size())
          return false;
        c = text_[pos_++];
        if (c == 'u') {
          if (pos_ + 4 > text_.size())
            return false;
          // qpdf writes text as UTF-8 and escapes only control characters this way.
          unsigned code = 0;
          const char* digits = text_.data() + pos_;
          if (std::from_chars(digits, digits + 4, code, 16).ptr != digits + 4)
            return false;
          pos_ += 4;
          out.push_back(code < 0x80 ? static_cast<char>(code) : '?');
          continue;
        }
        c = c == 'n'   ? '\n'
            : c == 't' ? '\t'
            : c == 'r' ? '\r'
            : c == 'b' ? '\b'
            : c == 'f' ? '\f'
                       : c;
      }
      out.push_back(c);
    }
    return consume('"');
  }

  bool parseValue(JsonValue& value) {
    skipBlanks();
    if (pos_ >= text_.size())
      return false;
    const char c = text_[pos_];
    if (c == '{') {
      value.kind = JsonValue::Kind::Object;
      ++pos_;
      if (consume('}'))
        return true;
      do {
        std::string key;
        JsonValue member;
        if (!parseString(key) || !consume(':') || !parseValue(member))
          return false;
        value.members.emplace(std::move(key), std::move(member));
      } while (consume(','));
      return consume('}');
    }
    if (c == '[') {
      value.kind = JsonValue::Kind::Array;
      ++pos_;
      if (consume(']'))
        return true;
      do {
        value.items.emplace_back();
        if (!parseValue(value.items.back()))
          return false;
      } while (consume(','));
      return consume(']');
    }
    if (c == '"') {
      value.kind = JsonValue::Kind::String;
      return parseString(value.text);
    }
    for (const auto& [word, kind, flag] : {std::tuple{"true", JsonValue::Kind::Boolean, true},
                                           std::tuple{"false", JsonValue::Kind::Boolean, false},
                                           std::tuple{"null", JsonValue::Kind::Null, false}}) {
      if (text_.substr(pos_, std::string_view(word).size()) == word) {
        pos_ += std::string_view(word).size();
        value.kind = kind;
        value.boolean = flag;
        return true;
      }
    }
    const std::size_t start = pos_;
    while (pos_ < text_.size() &&
           std::string_view("+-.eE0123456789").find(text_[pos_]) != std::string_view::npos)
      ++pos_;
    if (start == pos_)
      return false;
    value.kind = JsonValue::Kind::Number;
    // from_chars, not strtod: the tests also run under a comma-decimal locale.
    const auto [end, error] =
        std::from_chars(text_.data() + start, text_.data() + pos_, value.number);
    return error == std::errc() && end == text_.data() + pos_;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace detail

/// Parses JSON text; nullopt when it is not valid JSON.
inline std::optional<JsonValue> parseJson(std::string_view text) {
  return detail::JsonParser(text).parse();
}

/// qpdf's JSON description of `pdf`, or a null value when qpdf fails or prints no JSON.
inline JsonValue qpdfJson(const std::filesystem::path& pdf,
                          const std::filesystem::path& dir = scratchDirectory()) {
  const KrvRun run = runTool("qpdf", dir, "--json=2 " + shellQuoted(pdf.string()));
  if (run.exitCode != 0 && run.exitCode != 3)
    return {};
  return parseJson(run.out).value_or(JsonValue{});
}

/// The dictionary (or stream dictionary) of object "N 0 R" in qpdf's JSON.
inline const JsonValue& jsonObject(const JsonValue& json, const std::string& reference) {
  const JsonValue& objects = json["qpdf"].items.size() > 1 ? json["qpdf"].items[1] : json;
  const JsonValue& entry = objects["obj:" + reference];
  return entry["value"].isNull() ? entry["stream"]["dict"] : entry["value"];
}

/// An object given directly or as a reference "N 0 R" in qpdf's JSON.
inline const JsonValue& jsonResolved(const JsonValue& json, const JsonValue& value) {
  if (value.kind == JsonValue::Kind::String && value.text.ends_with(" R"))
    return jsonObject(json, value.text);
  return value;
}

/// The document catalog in qpdf's JSON.
inline const JsonValue& jsonCatalog(const JsonValue& json) {
  const JsonValue& objects = json["qpdf"].items.size() > 1 ? json["qpdf"].items[1] : json;
  return jsonObject(json, objects["trailer"]["value"]["/Root"].text);
}

}  // namespace korvalis::testing
