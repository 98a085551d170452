#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvalis {

class Platform;

/// Where the program finds the archive: the image service's base address, the web site the
/// connection monitor checks and the CA bundle that HTTPS trusts.
struct ArchiveAddress {
  std::string serviceUrl;  ///< base without "/das/v2/" and without a trailing '/'
  std::string siteUrl;     ///< home page of the archive's web site
  std::string caFile;      ///< CA bundle to trust instead of the system's; "" for the system's
  /// The page cache's size limit in MiB (cache_mb; 0 turns the cache off).
  std::uint64_t cacheMb = 2048;
  /// The least time between two requests to the archive (request_interval_ms; 0: none).
  std::uint64_t requestIntervalMs = 0;
};

/// What is wrong with a settings file.
enum class SettingsFaultKind {
  Unreadable,      ///< exists but cannot be read (a folder, no permission, too large)
  NotText,         ///< holds a NUL byte
  NotKeyValue,     ///< a line that is neither a comment, a section nor KEY = VALUE
  UnknownSection,  ///< a section other than [archive]
  UnknownKey,      ///< a key the program does not know
  RepeatedKey,     ///< a key given twice
  BadUrl,          ///< an address that is not http(s)://HOST… or contains blanks
  BadCaFile,       ///< a CA bundle that is not an absolute path of an existing file
  BadNumber,       ///< a number setting that is not a whole number from 0 on
};

/// A damaged settings file: where and why. The built-in values are used instead of the file.
struct SettingsFault {
  std::string file;  ///< the file's path (UTF-8)
  int line = 0;      ///< 1-based line; 0 when the file as a whole is at fault
  SettingsFaultKind kind = SettingsFaultKind::Unreadable;
  std::string key;  ///< the key or section concerned, "" when none
};

/// The address in effect and the fault of the settings file, if it has one.
struct ArchiveAddressReading {
  ArchiveAddress address;
  std::optional<SettingsFault> fault;
};

/// The built-in address (the build-time constants KORVALIS_ARCHIVE_URL and KORVALIS_SITE_URL,
/// the system's CA bundle).
ArchiveAddress builtInArchiveAddress();

/// The settings file: $XDG_CONFIG_HOME/korvalis/korvalis.conf when XDG_CONFIG_HOME is an
/// absolute path, else $HOME/.config/korvalis/korvalis.conf; "" when neither is set.
std::string settingsFilePath();

/// Applies the text of a settings file (`file` names it in a fault) to `address`. The text
/// is lines of `KEY = VALUE` (keys archive_url, site_url, ca_file, cache_mb,
/// request_interval_ms; an empty value keeps the
/// built-in value), comment lines starting with '#' or ';', blank lines and an optional
/// `[archive]` section line; CR LF line ends and a UTF-8 byte-order mark are accepted. On the
/// first fault returns it and leaves `address` as it was.
std::optional<SettingsFault> applySettingsText(std::string_view text, std::string_view file,
                                               ArchiveAddress& address);

/// The address in effect: the built-in values, then the settings file (a missing file changes
/// nothing; a damaged one is reported in the result and changes nothing), then the
/// environment variables KORVALIS_ARCHIVE_URL, KORVALIS_SITE_URL and KORVALIS_CA_FILE, each
/// when set and not empty. Reads the file on every call.
ArchiveAddressReading readArchiveAddress();

/// The image service's base address in effect (readArchiveAddress().address.serviceUrl).
std::string archiveBaseUrl();

/// The home page of the archive's web site in effect, checked by the connection monitor.
std::string archiveSiteUrl();

/// The CA bundle in effect to trust instead of the system's, "" for the system's.
std::string caBundleFile();

/// The fault as the program shows it (German, Windows-1252, CR as line break).
std::string settingsFaultMessage(const SettingsFault& fault);

/// The fault as one line for a command-line tool (no line end).
std::string settingsFaultLine(const SettingsFault& fault);

/// Shows the settings file's fault, if it has one, as a warning through `platform`; returns
/// whether a message was shown.
bool reportSettingsFault(Platform& platform);

}  // namespace korvalis
