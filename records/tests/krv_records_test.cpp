// krv's record commands, run as a separate process the way a user runs them.
#include <gtest/gtest.h>
#include <algorithm>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/testing/temp_folder.h"
#include "tools/krv/testing/krv_runner.h"

namespace {

namespace fs = std::filesystem;

using korvalis::testing::KrvRun;

void writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

class KrvRecordsTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = folder_.path(); }

  /// Runs krv with `args` (already quoted for the shell), in the C locale unless `locale` names
  /// another.
  KrvRun krv(const std::string& args, const std::string& locale = {}) const {
    return korvalis::testing::runKrv(KRV_PATH, dir_, args,
                                     locale.empty() ? std::string() : "LC_ALL=" + locale);
  }

  /// Makes `name`.krv from TSV text with `krv make`; returns its path.
  fs::path make(const std::string& name, const std::string& tsv) const {
    const fs::path in = dir_ / (name + ".tsv");
    const fs::path out = dir_ / (name + ".krv");
    writeFile(in, tsv);
    const KrvRun run = krv("make '" + in.string() + "' '" + out.string() + "'");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return out;
  }

  std::string quoted(const fs::path& path) const { return "'" + path.string() + "'"; }

  korvalis::testing::TempFolder folder_{"krv-records"};
  fs::path dir_;
};

const std::string kTsv =
    "Info 1\tInfo 2\tInfo 3\tInfo 4\tAPID\tID\tSeiten\tInfo 5\n"
    "Sachsen\tLeipzig\tTaufen\t1900\tTH-1\t000000002\t00001-00100\tMesse, Stadt\n"
    "Bayern\tAugsburg\tTaufen\t1890\tTH-2\t000000001\t\taugsburg\n"
    "Bayern\tAugsburg\tEhen\t1890\tTH-3\t000000003\t00005-00009\t\n";

TEST_F(KrvRecordsTest, MakeWritesAFileThatCheckAcceptsAndATamperedOneIsRefused) {
  const fs::path file = make("Probe", kTsv);
  const std::string bytes = korvalis::testing::readFileText(file);
  // Header and three data lines with CR LF, the end line, CR LF and the trailer.
  const std::size_t offset = bytes.find("\r\nProbe\r\n") + 2;
  char trailer[9];
  std::snprintf(trailer, sizeof trailer, "%08zX", offset);
  EXPECT_EQ(bytes.substr(bytes.size() - 8), trailer);
  EXPECT_EQ(bytes.size(), offset + 5 + 2 + 8);

  KrvRun run = krv("check " + quoted(file));
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "valid\n");

  writeFile(file, bytes + "\r\n");
  run = krv("check " + quoted(file));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out.rfind("invalid: ", 0), 0U) << run.out;

  // Loading commands refuse an invalid file as well, with the reason on standard error.
  run = krv("dump " + quoted(file));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.out.empty());
  EXPECT_NE(run.err.find("invalid"), std::string::npos);

  // A file renamed after it was made no longer matches its end line.
  writeFile(file, bytes);
  fs::rename(file, dir_ / "Andere.krv");
  EXPECT_EQ(krv("check " + quoted(dir_ / "Andere.krv")).exitCode, 1);
}

TEST_F(KrvRecordsTest, UsageErrorsAndRefusedInputs) {
  EXPECT_EQ(krv("check").exitCode, 2);
  EXPECT_EQ(krv("search " + quoted(dir_ / "x.krv")).exitCode, 2);
  EXPECT_EQ(krv("check " + quoted(dir_ / "Fehlt.krv")).exitCode, 1);
  // A data line equal to the output's base name would end the reading there.
  writeFile(dir_ / "in.tsv", "Kopf\nA\tB\tC\tD\nProbe\n");
  const KrvRun run = krv("make " + quoted(dir_ / "in.tsv") + " " + quoted(dir_ / "Probe.krv"));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_FALSE(run.err.empty());
  EXPECT_FALSE(fs::exists(dir_ / "Probe.krv"));

  // A file beyond the largest record file (sparse: no disk space) is refused with the reason,
  // before its bytes would be read.
  const fs::path huge = dir_ / "Riesig.krv";
  writeFile(huge, "x");
  fs::resize_file(huge, (std::uintmax_t{1} << 31) + 1);
  for (const std::string command : {"check ", "dump "}) {
    const KrvRun refused = krv(command + quoted(huge));
    EXPECT_EQ(refused.exitCode, 1) << command;
    EXPECT_NE((refused.out + refused.err).find("larger than 2 GiB"), std::string::npos)
        << command << refused.out << refused.err;
  }
}

TEST_F(KrvRecordsTest, DumpIndexAndTreeShowTheSortedData) {
  const fs::path file = make("Probe", kTsv);
  KrvRun run = krv("dump " + quoted(file));
  ASSERT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out,
            "Bayern\tAugsburg\tEhen\t1890\tTH-3\t000000003\t00005-00009\t\n"
            "Bayern\tAugsburg\tTaufen\t1890\tTH-2\t000000001\t00001\taugsburg\n"
            "Sachsen\tLeipzig\tTaufen\t1900\tTH-1\t000000002\t00001-00100\tMesse, Stadt\n");

  run = krv("index " + quoted(file));
  ASSERT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out,
            "Augsburg\t0\n"
            "Augsburg\t1\n"
            "Leipzig\t2\n"
            "Messe\t2\n"
            "Stadt\t2\n"
            "augsburg\t1\n");

  run = krv("tree " + quoted(file));
  ASSERT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out,
            "0\tProbe\n1\tBayern\n2\tAugsburg\n3\tEhen\n4\t1890\n3\tTaufen\n4\t1890\n"
            "1\tSachsen\n2\tLeipzig\n3\tTaufen\n4\t1900\n");
  EXPECT_TRUE(run.err.empty());
}

TEST_F(KrvRecordsTest, TreeReportsAnEmptyInfoFieldOnStandardError) {
  const fs::path file = make("Leer", "Kopf\nA\tB\tC\tD\nA\tB\t\tE\n");
  const KrvRun run = krv("tree " + quoted(file));
  EXPECT_EQ(run.exitCode, 0);
  // The entry with the empty Info 3 sorts first in its group, so the tree stops at level 2.
  EXPECT_EQ(run.out, "0\tLeer\n1\tA\n2\tB\n");
  EXPECT_EQ(run.err, "Leeres Info3-Feld gefunden!\nEinlesen der Datendatei wird beendet.\n");
}

TEST_F(KrvRecordsTest, SearchListsNumberedHitsAndTheStatusText) {
  const fs::path file = make("Probe", kTsv);
  KrvRun run = krv("search " + quoted(file) + " AUGS");
  ASSERT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "1 \tAugsburg\n2 \tAugsburg\n3 \taugsburg\n 3 Eintr\xE4ge gefunden\n");

  run = krv("search " + quoted(file) + " leip");
  EXPECT_EQ(run.out, "1 \tLeipzig\n 1 Eintrag gefunden.\n");

  run = krv("search " + quoted(file) + " Zwickau");
  EXPECT_EQ(run.out, " Keine Eintr\xE4ge gefunden.\n");

  run = krv("search " + quoted(file) + " '*'");
  EXPECT_EQ(run.out.substr(run.out.rfind('\n', run.out.size() - 2) + 1),
            " 6 Eintr\xE4ge gefunden\n");
}

TEST_F(KrvRecordsTest, SampleFileIsValidWithFourLevelsAndUmlautSearch) {
  const fs::path sample = fs::path(KORVALIS_TEST_SOURCE_DIR) / "data" / "Beispiel.krv";
  EXPECT_EQ(krv("check " + quoted(sample)).out, "valid\n");
  const KrvRun tree = krv("tree " + quoted(sample));
  ASSERT_EQ(tree.exitCode, 0);
  EXPECT_TRUE(tree.err.empty()) << tree.err;
  std::istringstream lines(tree.out);
  std::string line;
  int leaves = 0;
  bool levels[5] = {};
  while (std::getline(lines, line)) {
    const int level = line.at(0) - '0';
    ASSERT_GE(level, 0);
    ASSERT_LE(level, 4);
    levels[std::clamp(level, 0, 4)] = true;  // the clamp only quiets a bounds warning
    leaves += level == 4 ? 1 : 0;
  }
  EXPECT_TRUE(levels[0] && levels[1] && levels[2] && levels[3] && levels[4]);
  EXPECT_GE(leaves, 200);
  // A UTF-8 search text from a UTF-8 terminal finds Windows-1252 keys ("ü" is 0xFC in the
  // file), and the hits come back in UTF-8.
  const KrvRun search = krv("search " + quoted(sample) + " '\xC3\xBC'", "C.UTF-8");
  ASSERT_EQ(search.exitCode, 0);
  EXPECT_NE(search.out.find("\xC3\xBC"), std::string::npos) << search.out;
  EXPECT_EQ(search.out.find('\xFC'), std::string::npos);
  EXPECT_EQ(search.out.find(" Keine"), std::string::npos);
}

TEST_F(KrvRecordsTest, TextsReachTheTerminalInTheLocalesEncodingWhileFilesKeepTheirBytes) {
  const fs::path file = make("Umlaute",
                             "Info 1\tInfo 2\tInfo 3\tInfo 4\tAPID\tID\tSeiten\tInfo 5\n"
                             "Th\xFCringen\tGro\xDF R\xE4schen\tTaufen\t1900\tTH-1\t"
                             "000000002\t00001-00100\tStra\xDF"
                             "e\n");
  const std::string stored = korvalis::testing::readFileText(file);
  EXPECT_NE(stored.find("Th\xFCringen\tGro\xDF R\xE4schen"), std::string::npos);

  for (const std::string locale : {"C.UTF-8", "de_DE.UTF-8"}) {
    SCOPED_TRACE(locale);
    KrvRun run = krv("dump " + quoted(file), locale);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out,
              "Th\xC3\xBCringen\tGro\xC3\x9F R\xC3\xA4schen\tTaufen\t1900\tTH-1\t000000002\t"
              "00001-00100\tStra\xC3\x9F"
              "e\n");
    run = krv("search " + quoted(file) + " 'gro\xC3\x9F'", locale);
    EXPECT_EQ(run.out, "1 \tGro\xC3\x9F R\xC3\xA4schen\n 1 Eintrag gefunden.\n");
    run = krv("search " + quoted(file) + " 'Zwickau'", locale);
    EXPECT_EQ(run.out, " Keine Eintr\xC3\xA4ge gefunden.\n");
  }
  // Outside a UTF-8 locale the bytes stay Windows-1252, in both directions.
  KrvRun run = krv("search " + quoted(file) + " 'gro\xDF'", "C");
  EXPECT_EQ(run.out, "1 \tGro\xDF R\xE4schen\n 1 Eintrag gefunden.\n");
  run = krv("dump " + quoted(file), "POSIX");
  EXPECT_NE(run.out.find("Th\xFCringen\tGro\xDF R\xE4schen"), std::string::npos);
  // The file written by a UTF-8 run is the same Windows-1252 file.
  EXPECT_EQ(krv("make " + quoted(dir_ / "Umlaute.tsv") + " " + quoted(dir_ / "Zwei.krv"), "C.UTF-8")
                .exitCode,
            0);
  const std::string again = korvalis::testing::readFileText(dir_ / "Zwei.krv");
  EXPECT_NE(again.find("Th\xFCringen\tGro\xDF R\xE4schen"), std::string::npos);
}

}  // namespace
