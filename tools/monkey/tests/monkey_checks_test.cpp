// The monkey's judges, which decide what counts as a fault: the status texts the program can
// show, the check of a saved page against the page shown at the click, the files left behind,
// and the command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "platform/file_io.h"
#include "platform/testing/temp_folder.h"
#include "tools/monkey/monkey_options.h"
#include "tools/monkey/saved_file_check.h"
#include "tools/monkey/status_texts.h"
#include "viewer/image_codec.h"

namespace korvalis::monkey {
namespace {

TEST(MonkeyStatusTexts, KnowsTheProgramsTextsAndTheirComposedShapes) {
  for (const char* text : {"", " Fertig.", " gefunden", " Abbruch!", " LADE...  004010312 : 00017",
                           " ung\xFCliges APID-Format", "  004010997:00701", "  Seite geladen."}) {
    EXPECT_EQ(unknownStatusText(0, text), std::nullopt) << text;
  }
  for (const char* text : {"Fertig.", " LADE...  0040 : x", " LADE...", "  00:", "Fehler"}) {
    EXPECT_NE(unknownStatusText(0, text), std::nullopt) << text;
  }
  EXPECT_EQ(unknownStatusText(1, " Zoom: 85%"), std::nullopt);
  EXPECT_EQ(unknownStatusText(1, "Zoom: 100%"), std::nullopt);
  EXPECT_NE(unknownStatusText(1, " Zoom: %"), std::nullopt);
  EXPECT_NE(unknownStatusText(1, " Zoom: 8x%"), std::nullopt);
  EXPECT_EQ(unknownStatusText(3, "[Original]"), std::nullopt);
  EXPECT_NE(unknownStatusText(3, " Fertig."), std::nullopt);
  EXPECT_NE(unknownStatusText(2, "x"), std::nullopt);
}

// An archive page as the test server makes them: the identity at bytes 24..48.
std::vector<std::uint8_t> archivePage(const std::string& film, const std::string& page) {
  std::vector<std::uint8_t> bytes(24, 0xAA);
  bytes[0] = 0xFF;
  bytes[1] = 0xD8;
  const std::string tag = "film:" + film + "  fram: " + page;
  bytes.insert(bytes.end(), tag.begin(), tag.end());
  bytes.resize(80, 0x11);
  bytes.push_back(0xFF);
  bytes.push_back(0xD9);
  return bytes;
}

void write(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

TEST(MonkeySavedPage, HoldsThePageShownAtTheClickOrNothing) {
  const testing::TempFolder folder("monkey");
  ExpectedSave save;
  save.path = folder.path() / "seite.jpg";
  save.format = SavedFormat::Jpeg;
  save.shown.keptBytes = archivePage("4010312", "00017");
  EXPECT_EQ(pageIdentity(*save.shown.keptBytes), "4010312:00017");
  EXPECT_EQ(checkSavedPage(save), std::nullopt);  // nothing written

  write(save.path, *save.shown.keptBytes);
  EXPECT_EQ(checkSavedPage(save), std::nullopt);
  write(save.path, archivePage("4010312", "00018"));  // the next page
  const auto wrong = checkSavedPage(save);
  ASSERT_NE(wrong, std::nullopt);
  EXPECT_NE(wrong->find("4010312:00018"), std::string::npos) << *wrong;

  // Re-encoded: the size of the shown image, and with every colour kept its pixels.
  save.shown.keptBytes.reset();
  save.format = SavedFormat::Png;
  save.path = folder.path() / "seite.png";
  save.settingsPick = 3;
  save.shown.pageImage = Image::filled(6, 4, 0xFF102030);
  const auto png = encodeImage(save.shown.pageImage, SaveType::Png, EncoderSettings{24, 7});
  ASSERT_TRUE(png.has_value());
  write(save.path, *png);
  EXPECT_EQ(checkSavedPage(save), std::nullopt);
  save.shown.pageImage.setPixel(2, 1, 0xFF000000);
  EXPECT_NE(checkSavedPage(save), std::nullopt);
  save.shown.pageImage = Image::filled(4, 6, 0xFF102030);
  EXPECT_NE(checkSavedPage(save), std::nullopt);
  // In zoom or crop view the shown cut-out is what gets written.
  save.shown.zoomOrCrop = true;
  save.shown.displayImage = Image::filled(6, 4, 0xFF102030);
  EXPECT_EQ(checkSavedPage(save), std::nullopt);
}

TEST(MonkeyLeftovers, FindsTemporaryEmptyAndCutOffPagesOnly) {
  const testing::TempFolder folder("monkey");
  std::filesystem::create_directories(folder.path() / "stapel");
  const std::vector<std::uint8_t> page = archivePage("4010312", "00017");
  write(folder.path() / "stapel" / "ganz.jpg", page);
  write(folder.path() / "liste.txt", {});  // an empty link list is complete
  write(folder.path() / "stapel" / ".halb.jpg.a1B2c3", page);
  write(folder.path() / "leer.png", {});
  write(folder.path() / "stapel" / "abgeschnitten.jpg",
        std::vector<std::uint8_t>(page.begin(), page.begin() + 60));
  std::vector<std::string> found = leftoverFiles(folder.path());
  std::sort(found.begin(), found.end());
  ASSERT_EQ(found.size(), 3U);
  EXPECT_NE(found[0].find("leer.png: empty"), std::string::npos) << found[0];
  EXPECT_NE(found[1].find(".halb.jpg.a1B2c3: a temporary file"), std::string::npos) << found[1];
  EXPECT_NE(found[2].find("abgeschnitten.jpg: an archive page cut off"), std::string::npos)
      << found[2];
}

TEST(MonkeyOptions, NeedsSecondsAndTakesSeedAndServerFaults) {
  std::string error;
  const auto options =
      parseMonkeyOptions({"--seconds", "60", "--seed", "42", "--server-faults", "off"}, error);
  ASSERT_TRUE(options.has_value()) << error;
  EXPECT_EQ(options->seconds, 60);
  EXPECT_EQ(options->seed, 42U);
  EXPECT_FALSE(options->serverFaults);
  EXPECT_TRUE(parseMonkeyOptions({"--seconds", "5"}, error)->serverFaults);
  EXPECT_FALSE(parseMonkeyOptions({"--seed", "1"}, error).has_value());
  EXPECT_FALSE(parseMonkeyOptions({"--seconds", "0"}, error).has_value());
  EXPECT_FALSE(parseMonkeyOptions({"--seconds", "5", "--server-faults", "ja"}, error).has_value());
  EXPECT_FALSE(parseMonkeyOptions({"--seconds"}, error).has_value());
  EXPECT_NE(error.find("--seconds"), std::string::npos);
  EXPECT_EQ(parseMonkeyOptions({"--seconds", "5"}, error)->stallLimitMs, 100);
  EXPECT_EQ(parseMonkeyOptions({"--seconds", "5", "--stall-limit", "250"}, error)->stallLimitMs,
            250);
  EXPECT_FALSE(parseMonkeyOptions({"--seconds", "5", "--stall-limit", "0"}, error).has_value());
}

}  // namespace
}  // namespace korvalis::monkey
