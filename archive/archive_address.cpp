#include "archive/archive_address.h"

#include <array>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/cp1252.h"
#include "platform/file_io.h"
#include "platform/platform.h"

namespace korvalis {

namespace {

// A settings file is a few lines; anything larger is not one.
constexpr std::uint64_t kSettingsCap = 64 * 1024;

enum class Key { ArchiveUrl, SiteUrl, CaFile, CacheMb, RequestIntervalMs };
constexpr std::array<std::string_view, 5> kKeyNames = {"archive_url", "site_url", "ca_file",
                                                       "cache_mb", "request_interval_ms"};

/// A whole number from 0 on, of at most nine digits.
std::optional<std::uint64_t> settingNumber(std::string_view text) {
  if (text.empty() || text.size() > 9 ||
      text.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  std::uint64_t value = 0;
  for (const char c : text) {
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return value;
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

std::string_view trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) {
    return {};
  }
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::string withoutTrailingSlashes(std::string url) {
  while (!url.empty() && url.back() == '/') {
    url.pop_back();
  }
  return url;
}

// http:// or https://, a host, and no blank or control character anywhere.
bool isUrl(std::string_view value) {
  std::string_view rest;
  if (value.starts_with("https://")) {
    rest = value.substr(8);
  } else if (value.starts_with("http://")) {
    rest = value.substr(7);
  } else {
    return false;
  }
  if (rest.empty() || rest.front() == '/') {
    return false;
  }
  for (const char c : value) {
    if (static_cast<unsigned char>(c) <= ' ' || c == '\x7F') {
      return false;
    }
  }
  return true;
}

bool isExistingAbsoluteFile(std::string_view value) {
  const std::filesystem::path path{std::string(value)};
  std::error_code error;
  return path.is_absolute() && std::filesystem::is_regular_file(path, error);
}

// One parsed settings line's outcome.
struct LineResult {
  std::optional<SettingsFaultKind> fault;
  std::string key;
};

struct Parser {
  ArchiveAddress address;
  std::array<bool, kKeyNames.size()> seen{};

  LineResult apply(std::string_view line) {
    line = trim(line);
    if (line.empty() || line.front() == '#' || line.front() == ';') {
      return {};
    }
    if (line.front() == '[') {
      if (line.back() != ']') {
        return {SettingsFaultKind::NotKeyValue, ""};
      }
      const std::string_view section = trim(line.substr(1, line.size() - 2));
      if (section != "archive") {
        return {SettingsFaultKind::UnknownSection, std::string(section)};
      }
      return {};
    }
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) {
      return {SettingsFaultKind::NotKeyValue, ""};
    }
    const std::string_view name = trim(line.substr(0, equals));
    const std::string_view value = trim(line.substr(equals + 1));
    std::size_t index = 0;
    while (index < kKeyNames.size() && kKeyNames[index] != name) {
      ++index;
    }
    if (index == kKeyNames.size()) {
      return {SettingsFaultKind::UnknownKey, std::string(name)};
    }
    if (seen[index]) {
      return {SettingsFaultKind::RepeatedKey, std::string(name)};
    }
    seen[index] = true;
    if (value.empty()) {
      return {};  // the built-in value stays
    }
    switch (static_cast<Key>(index)) {
      case Key::ArchiveUrl:
        if (!isUrl(value)) {
          return {SettingsFaultKind::BadUrl, std::string(name)};
        }
        address.serviceUrl = withoutTrailingSlashes(std::string(value));
        break;
      case Key::SiteUrl:
        if (!isUrl(value)) {
          return {SettingsFaultKind::BadUrl, std::string(name)};
        }
        address.siteUrl = std::string(value);
        break;
      case Key::CaFile:
        if (!isExistingAbsoluteFile(value)) {
          return {SettingsFaultKind::BadCaFile, std::string(name)};
        }
        address.caFile = std::string(value);
        break;
      case Key::CacheMb:
      case Key::RequestIntervalMs: {
        const std::optional<std::uint64_t> number = settingNumber(value);
        if (!number) {
          return {SettingsFaultKind::BadNumber, std::string(name)};
        }
        (static_cast<Key>(index) == Key::CacheMb ? address.cacheMb : address.requestIntervalMs) =
            *number;
        break;
      }
    }
    return {};
  }
};

// A UTF-8 text for a Windows-1252 message: characters Windows-1252 lacks become '?'.
std::string forMessage(std::string_view utf8) {
  if (auto converted = utf8ToCp1252(utf8)) {
    return *converted;
  }
  std::string ascii;
  for (const char c : utf8) {
    ascii.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '?');
  }
  return ascii;
}

std::string reasonInGerman(const SettingsFault& fault) {
  const std::string key = forMessage(fault.key);
  switch (fault.kind) {
    case SettingsFaultKind::Unreadable:
      return "Die Datei kann nicht gelesen werden.";
    case SettingsFaultKind::NotText:
      return "Die Datei ist keine Textdatei.";
    case SettingsFaultKind::NotKeyValue:
      return "Erwartet wird SCHL\xDC"
             "SSEL = WERT.";
    case SettingsFaultKind::UnknownSection:
      return "Unbekannter Abschnitt [" + key + "].";
    case SettingsFaultKind::UnknownKey:
      return "Unbekannter Schl\xFCssel \"" + key + "\".";
    case SettingsFaultKind::RepeatedKey:
      return "Der Schl\xFCssel \"" + key + "\" steht doppelt.";
    case SettingsFaultKind::BadUrl:
      return "\"" + key + "\" ist keine Adresse der Form https://RECHNER/...";
    case SettingsFaultKind::BadCaFile:
      return "\"" + key + "\" nennt keine vorhandene Datei mit absolutem Pfad.";
    case SettingsFaultKind::BadNumber:
      return "\"" + key + "\" ist keine ganze Zahl ab 0.";
  }
  return {};
}

std::string reasonInEnglish(const SettingsFault& fault) {
  switch (fault.kind) {
    case SettingsFaultKind::Unreadable:
      return "cannot be read";
    case SettingsFaultKind::NotText:
      return "is not a text file";
    case SettingsFaultKind::NotKeyValue:
      return "expected KEY = VALUE";
    case SettingsFaultKind::UnknownSection:
      return "unknown section [" + fault.key + "]";
    case SettingsFaultKind::UnknownKey:
      return "unknown key '" + fault.key + "'";
    case SettingsFaultKind::RepeatedKey:
      return "key '" + fault.key + "' given twice";
    case SettingsFaultKind::BadUrl:
      return "'" + fault.key + "' is not an address of the form https://HOST/...";
    case SettingsFaultKind::BadCaFile:
      return "'" + fault.key + "' does not name an existing file by its absolute path";
    case SettingsFaultKind::BadNumber:
      return "'" + fault.key + "' is not a whole number from 0 on";
  }
  return {};
}

}  // namespace

ArchiveAddress builtInArchiveAddress() {
  return {withoutTrailingSlashes(KORVALIS_DEFAULT_ARCHIVE_URL), KORVALIS_DEFAULT_SITE_URL, ""};
}

std::string settingsFilePath() {
  const std::string config = environment("XDG_CONFIG_HOME");
  if (config.starts_with('/')) {
    return config + "/korvalis/korvalis.conf";
  }
  const std::string home = environment("HOME");
  if (home.empty()) {
    return {};
  }
  return home + "/.config/korvalis/korvalis.conf";
}

std::optional<SettingsFault> applySettingsText(std::string_view text, std::string_view file,
                                               ArchiveAddress& address) {
  if (text.find('\0') != std::string_view::npos) {
    return SettingsFault{std::string(file), 0, SettingsFaultKind::NotText, ""};
  }
  if (text.starts_with("\xEF\xBB\xBF")) {
    text.remove_prefix(3);
  }
  Parser parser{address, {}};
  int number = 0;
  while (!text.empty()) {
    ++number;
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.ends_with('\r')) {
      line.remove_suffix(1);
    }
    LineResult result = parser.apply(line);
    if (result.fault) {
      return SettingsFault{std::string(file), number, *result.fault, std::move(result.key)};
    }
  }
  address = std::move(parser.address);
  return std::nullopt;
}

ArchiveAddressReading readArchiveAddress() {
  ArchiveAddressReading reading{builtInArchiveAddress(), std::nullopt};
  const std::string path = settingsFilePath();
  if (!path.empty()) {
    ReadError error = ReadError::None;
    const auto text = readWholeFile(path, kSettingsCap, &error);
    if (text) {
      reading.fault = applySettingsText(*text, path, reading.address);
    } else if (error != ReadError::NotFound) {
      reading.fault = SettingsFault{path, 0, SettingsFaultKind::Unreadable, ""};
    }
  }
  if (const std::string url = environment("KORVALIS_ARCHIVE_URL"); !url.empty()) {
    reading.address.serviceUrl = withoutTrailingSlashes(url);
  }
  if (const std::string site = environment("KORVALIS_SITE_URL"); !site.empty()) {
    reading.address.siteUrl = site;
  }
  if (const std::string ca = environment("KORVALIS_CA_FILE"); !ca.empty()) {
    reading.address.caFile = ca;
  }
  return reading;
}

std::string archiveBaseUrl() {
  return readArchiveAddress().address.serviceUrl;
}

std::string archiveSiteUrl() {
  return readArchiveAddress().address.siteUrl;
}

std::string caBundleFile() {
  return readArchiveAddress().address.caFile;
}

std::string settingsFaultMessage(const SettingsFault& fault) {
  std::string text = "Die Einstellungsdatei\r" + forMessage(fault.file) + "\rist fehlerhaft";
  if (fault.line > 0) {
    text += " (Zeile " + std::to_string(fault.line) + ")";
  }
  text += ":\r" + reasonInGerman(fault) + "\r\rEs gelten die eingebauten Werte.";
  return text;
}

std::string settingsFaultLine(const SettingsFault& fault) {
  std::string text = fault.file;
  if (fault.line > 0) {
    text += ':' + std::to_string(fault.line);
  }
  return text + ": " + reasonInEnglish(fault) + "; the built-in settings are used";
}

bool reportSettingsFault(Platform& platform) {
  const ArchiveAddressReading reading = readArchiveAddress();
  if (!reading.fault) {
    return false;
  }
  platform.message("Einstellungen", settingsFaultMessage(*reading.fault), MessageSign::Warning);
  return true;
}

}  // namespace korvalis
