#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <optional>

#include "archive/archive_address.h"
#include "platform/scripted/scripted_platform.h"

namespace korvalis {
namespace {

namespace fs = std::filesystem;
using Kind = SettingsFaultKind;

// Each test its own configuration folder and a clean environment, restored afterwards.
class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : kVariables) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name,
                          value != nullptr ? std::optional<std::string>(value) : std::nullopt);
      unsetenv(name);
    }
    char pattern[] = "/tmp/korvalis_settings_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    file_ = dir_ / "korvalis" / "korvalis.conf";
    fs::create_directories(file_.parent_path());
    ca_ = dir_ / "ca.pem";
    std::ofstream(ca_) << "-----BEGIN CERTIFICATE-----\n";
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (value) {
        setenv(name, value->c_str(), 1);
      } else {
        unsetenv(name);
      }
    }
    fs::remove_all(dir_);
  }
  void write(const std::string& text) { std::ofstream(file_, std::ios::binary) << text; }

  static constexpr const char* kVariables[] = {"XDG_CONFIG_HOME", "HOME", "KORVALIS_ARCHIVE_URL",
                                               "KORVALIS_SITE_URL", "KORVALIS_CA_FILE"};
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
  fs::path dir_;
  fs::path file_;
  fs::path ca_;
};

TEST_F(SettingsFile, WellFormedTextsSetTheirKeys) {
  const ArchiveAddress builtIn = builtInArchiveAddress();
  EXPECT_FALSE(builtIn.serviceUrl.ends_with('/'));
  EXPECT_EQ(builtIn.caFile, "");
  struct Case {
    const char* name;
    std::string text;
    ArchiveAddress expected;
  };
  const Case cases[] = {
      {"empty file", "", builtIn},
      {"only comments and blanks", "# a comment\n; another\n\n   \n[archive]\n", builtIn},
      {"all three keys, CR LF, byte-order mark, blanks around",
       "\xEF\xBB\xBF# Korvalis\r\n[ archive ]\r\n  archive_url =  https://a.example:8443//  \r\n"
       "site_url=http://b.example/\r\nca_file = " +
           ca_.string() + "\r\n",
       {"https://a.example:8443", "http://b.example/", ca_.string()}},
      {"empty value keeps the built-in one, last line without line end",
       "archive_url =\nsite_url = https://s.example/x?y=1#z",
       {builtIn.serviceUrl, "https://s.example/x?y=1#z", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ArchiveAddress address = builtIn;
    const auto fault = applySettingsText(c.text, "k.conf", address);
    EXPECT_FALSE(fault.has_value()) << (fault ? settingsFaultLine(*fault) : "");
    EXPECT_EQ(address.serviceUrl, c.expected.serviceUrl);
    EXPECT_EQ(address.siteUrl, c.expected.siteUrl);
    EXPECT_EQ(address.caFile, c.expected.caFile);
  }
}

TEST_F(SettingsFile, DamagedTextsAreReportedWithTheirLineAndChangeNothing) {
  struct Case {
    const char* name;
    std::string text;
    int line;
    Kind kind;
    std::string key;
  };
  const Case cases[] = {
      {"no equals sign", "# c\narchive_url https://a.example\n", 2, Kind::NotKeyValue, ""},
      {"unclosed section", "[archive\n", 1, Kind::NotKeyValue, ""},
      {"other section", "\r\n\r\n[network]\r\n", 3, Kind::UnknownSection, "network"},
      {"unknown key", "site_url = https://s.example/\nproxy = x\n", 2, Kind::UnknownKey, "proxy"},
      {"key given twice", "site_url = https://a.example/\n\nsite_url = https://b.example/\n", 3,
       Kind::RepeatedKey, "site_url"},
      {"other scheme", "archive_url = ftp://a.example\n", 1, Kind::BadUrl, "archive_url"},
      {"no host", "archive_url = https://\n", 1, Kind::BadUrl, "archive_url"},
      {"empty host", "site_url = https:///path\n", 1, Kind::BadUrl, "site_url"},
      {"blank inside", "site_url = https://a .example/\n", 1, Kind::BadUrl, "site_url"},
      {"relative CA file", "ca_file = ca.pem\n", 1, Kind::BadCaFile, "ca_file"},
      {"missing CA file", "ca_file = " + (dir_ / "none.pem").string() + "\n", 1, Kind::BadCaFile,
       "ca_file"},
      {"CA folder", "ca_file = " + dir_.string() + "\n", 1, Kind::BadCaFile, "ca_file"},
      {"NUL byte", std::string("site_url = https://a.example/\n\0", 31), 0, Kind::NotText, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ArchiveAddress address{"https://keep.example", "https://keep.example/", ""};
    const auto fault = applySettingsText(c.text, "k.conf", address);
    ASSERT_TRUE(fault.has_value());
    EXPECT_EQ(fault->file, "k.conf");
    EXPECT_EQ(fault->line, c.line);
    EXPECT_EQ(fault->kind, c.kind);
    EXPECT_EQ(fault->key, c.key);
    // Lines before the fault were good, yet the address stays as it was.
    EXPECT_EQ(address.serviceUrl, "https://keep.example");
    EXPECT_EQ(address.siteUrl, "https://keep.example/");
  }
}

TEST_F(SettingsFile, BuiltInThenFileThenEnvironment) {
  const ArchiveAddress builtIn = builtInArchiveAddress();
  // No file: the built-in values, no fault.
  ArchiveAddressReading reading = readArchiveAddress();
  EXPECT_FALSE(reading.fault.has_value());
  EXPECT_EQ(reading.address.serviceUrl, builtIn.serviceUrl);

  write("archive_url = https://file.example/\nca_file = " + ca_.string() + "\n");
  EXPECT_EQ(archiveBaseUrl(), "https://file.example");
  EXPECT_EQ(archiveSiteUrl(), builtIn.siteUrl);
  EXPECT_EQ(caBundleFile(), ca_.string());

  setenv("KORVALIS_ARCHIVE_URL", "https://env.example/", 1);
  setenv("KORVALIS_CA_FILE", "", 1);  // empty counts as unset
  EXPECT_EQ(archiveBaseUrl(), "https://env.example");
  EXPECT_EQ(caBundleFile(), ca_.string());

  // A damaged file: the built-in values, still under the environment's.
  write("archive_url = https://file.example/\nsite_url = nowhere\n");
  reading = readArchiveAddress();
  ASSERT_TRUE(reading.fault.has_value());
  EXPECT_EQ(reading.fault->file, file_.string());
  EXPECT_EQ(reading.fault->line, 2);
  EXPECT_EQ(reading.address.serviceUrl, "https://env.example");
  EXPECT_EQ(reading.address.siteUrl, builtIn.siteUrl);
  EXPECT_EQ(reading.address.caFile, "");

  // A folder where the file belongs cannot be read.
  fs::remove(file_);
  fs::create_directory(file_);
  reading = readArchiveAddress();
  ASSERT_TRUE(reading.fault.has_value());
  EXPECT_EQ(reading.fault->kind, Kind::Unreadable);
  EXPECT_EQ(reading.fault->line, 0);
}

TEST_F(SettingsFile, WhereTheFileIs) {
  EXPECT_EQ(settingsFilePath(), file_.string());
  setenv("HOME", "/home/u", 1);
  setenv("XDG_CONFIG_HOME", "relative/config", 1);  // not absolute: ignored
  EXPECT_EQ(settingsFilePath(), "/home/u/.config/korvalis/korvalis.conf");
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(settingsFilePath(), "/home/u/.config/korvalis/korvalis.conf");
  unsetenv("HOME");
  EXPECT_EQ(settingsFilePath(), "");
  EXPECT_FALSE(readArchiveAddress().fault.has_value());
}

TEST_F(SettingsFile, TheFaultAsShownAndAsPrinted) {
  const SettingsFault fault{"/home/j\xC3\xBCrgen/.config/korvalis/korvalis.conf", 7,
                            Kind::UnknownKey, "proxy"};
  EXPECT_EQ(settingsFaultMessage(fault),
            "Die Einstellungsdatei\r/home/j\xFCrgen/.config/korvalis/korvalis.conf\r"
            "ist fehlerhaft (Zeile 7):\rUnbekannter Schl\xFCssel \"proxy\".\r\r"
            "Es gelten die eingebauten Werte.");
  EXPECT_EQ(settingsFaultLine(fault),
            "/home/j\xC3\xBCrgen/.config/korvalis/korvalis.conf:7: unknown key 'proxy'; "
            "the built-in settings are used");
  // A name Windows-1252 cannot hold still gives a readable message.
  const SettingsFault unreadable{"/home/\xE6\x9D\xB1/k.conf", 0, Kind::Unreadable, ""};
  EXPECT_EQ(settingsFaultMessage(unreadable),
            "Die Einstellungsdatei\r/home/???"
            "/k.conf\rist fehlerhaft:\r"
            "Die Datei kann nicht gelesen werden.\r\rEs gelten die eingebauten Werte.");

  ScriptedPlatform platform;
  EXPECT_FALSE(reportSettingsFault(platform));
  EXPECT_TRUE(platform.messages().empty());
  write("[archive]\n[proxy]\n");
  EXPECT_TRUE(reportSettingsFault(platform));
  ASSERT_EQ(platform.messages().size(), 1U);
  EXPECT_EQ(platform.messages()[0].title, "Einstellungen");
  EXPECT_EQ(platform.messages()[0].sign, MessageSign::Warning);
  EXPECT_NE(platform.messages()[0].text.find("(Zeile 2):\rUnbekannter Abschnitt [proxy]."),
            std::string::npos);
}

}  // namespace
}  // namespace korvalis
