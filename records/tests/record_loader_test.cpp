// Choosing and loading a record file through the platform's dialogs.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_io.h"
#include "platform/scripted/scripted_platform.h"
#include "platform/testing/temp_folder.h"
#include "records/record_file.h"
#include "records/record_loader.h"
#include "records/record_session.h"

namespace korvalis {
namespace {

const std::string kQuestion = "Das sind keine g\xFCltige Daten.\rNochmal ausw\xE4hlen?";

class RecordLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = folder_.path();
    session_.recordDir = "/start/";
    std::string error;
    writeFile("Gut.krv",
              *makeRecordBytes("kopf\nZ\tz\tz\tz\nA\ta\ta\ta\tTH-A\t000000001\n", "Gut", error));
    writeFile("Kaputt.krv", "kopf\r\nKaputt\r\n00000001");
    // A name with a letter outside ASCII: UTF-8 on disk, Windows-1252 in the end line.
    writeFile("M\xC3\xBChle.krv", *makeRecordBytes("kopf\nM\tm\tm\tm\n", "M\xFChle", error));
  }

  void writeFile(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(writeFileAtomically(dir_ / name, bytes));
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  korvalis::testing::TempFolder folder_{"krv-loader"};
  std::filesystem::path dir_;
  RecordSession session_;
  ScriptedPlatform platform_;
};

TEST_F(RecordLoaderTest, ValidFileIsLoadedAfterAnInvalidOneAndYes) {
  platform_.queueOpenFile(path("Kaputt.krv"));
  platform_.queueMessageAnswer(MessageAnswer::Yes);
  platform_.queueOpenFile(path("Gut.krv"));
  EXPECT_EQ(loadRecordFile(platform_, session_), LoadOutcome::Loaded);

  ASSERT_EQ(platform_.dialogs().size(), 2U);
  EXPECT_EQ(platform_.dialogs()[0].kind, "open");
  EXPECT_EQ(platform_.dialogs()[0].title, "Datendatei laden:");
  EXPECT_EQ(platform_.dialogs()[0].startDir, "/start/");
  EXPECT_EQ(platform_.dialogs()[0].filter, "Datendatei | *.krv");
  ASSERT_EQ(platform_.messages().size(), 1U);
  EXPECT_EQ(platform_.messages()[0].title, "Fehler!");
  EXPECT_EQ(platform_.messages()[0].text, kQuestion);
  EXPECT_EQ(platform_.messages()[0].sign, MessageSign::Warning);
  EXPECT_EQ(platform_.messages()[0].buttons, MessageButtons::YesNo);

  EXPECT_EQ(session_.recordBaseName, "Gut");
  EXPECT_EQ(session_.recordDir, dir_.string() + "/");
  ASSERT_EQ(session_.records.list.size(), 2U);
  EXPECT_EQ(session_.records.list.entries[0].info1(), "A");
  EXPECT_EQ(session_.records.header.fields[0], "kopf");
  EXPECT_EQ(session_.records.generation, 1U);
}

TEST_F(RecordLoaderTest, CancelAndNoEndOrKeepAsTheDataRequires) {
  // Cancel at start-up (nothing loaded) ends the program.
  platform_.queueOpenFile(std::nullopt);
  EXPECT_EQ(loadRecordFile(platform_, session_), LoadOutcome::EndProgram);

  platform_.queueOpenFile(path("Gut.krv"));
  ASSERT_EQ(loadRecordFile(platform_, session_), LoadOutcome::Loaded);

  // Cancel later keeps the data; an invalid pick before it does not change the names.
  platform_.queueOpenFile(path("Kaputt.krv"));
  platform_.queueMessageAnswer(MessageAnswer::Yes);
  platform_.queueOpenFile(std::nullopt);
  EXPECT_EQ(loadRecordFile(platform_, session_), LoadOutcome::CancelledKeepData);
  EXPECT_EQ(session_.recordBaseName, "Gut");
  EXPECT_EQ(session_.records.list.size(), 2U);

  // No to choosing again keeps the data loaded (the program goes on with it), as a cancel does.
  platform_.queueOpenFile(path("Fehlt.krv"));
  platform_.queueMessageAnswer(MessageAnswer::No);
  EXPECT_EQ(loadRecordFile(platform_, session_), LoadOutcome::CancelledKeepData);
  EXPECT_EQ(platform_.messages().back().text, kQuestion);
  EXPECT_EQ(session_.recordBaseName, "Gut");
  EXPECT_EQ(session_.records.list.size(), 2U);
  EXPECT_EQ(platform_.pendingAnswers(), 0U);

  // No at start-up (nothing loaded) ends the program.
  RecordSession starting;
  platform_.queueOpenFile(path("Kaputt.krv"));
  platform_.queueMessageAnswer(MessageAnswer::No);
  EXPECT_EQ(loadRecordFile(platform_, starting), LoadOutcome::EndProgram);
}

TEST_F(RecordLoaderTest, FileLargerThanTheCapIsRefusedWithItsOwnQuestion) {
  // A sparse file: 2 GiB and one byte on paper, no disk space.
  writeFile("Riesig.krv", "x");
  std::filesystem::resize_file(dir_ / "Riesig.krv", kMaxRecordFileBytes + 1);
  platform_.queueOpenFile(path("Riesig.krv"));
  platform_.queueMessageAnswer(MessageAnswer::Yes);
  platform_.queueOpenFile(path("Gut.krv"));
  ASSERT_EQ(loadRecordFile(platform_, session_), LoadOutcome::Loaded);
  ASSERT_EQ(platform_.messages().size(), 1U);
  EXPECT_EQ(platform_.messages()[0].title, "Fehler!");
  EXPECT_EQ(platform_.messages()[0].text,
            "Die Datendatei ist gr\xF6\xDF"
            "er als 2 GB und kann nicht geladen werden.\rNochmal ausw\xE4hlen?");
  EXPECT_EQ(platform_.messages()[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(session_.recordBaseName, "Gut");
}

// A file named on the command line is checked as if chosen in the dialog: valid, no dialog;
// invalid, the same question, then the dialog (Yes) or the end (No).
TEST_F(RecordLoaderTest, FileFromTheCommandLineIsTriedBeforeTheDialog) {
  EXPECT_EQ(loadRecordFile(platform_, session_, path("Gut.krv")), LoadOutcome::Loaded);
  EXPECT_TRUE(platform_.dialogs().empty());
  EXPECT_TRUE(platform_.messages().empty());
  EXPECT_EQ(session_.recordBaseName, "Gut");
  EXPECT_EQ(session_.recordDir, dir_.string() + "/");
  EXPECT_EQ(session_.records.list.size(), 2U);

  RecordSession fresh;
  platform_.queueMessageAnswer(MessageAnswer::Yes);
  platform_.queueOpenFile(path("M\xC3\xBChle.krv"));
  EXPECT_EQ(loadRecordFile(platform_, fresh, path("Kaputt.krv")), LoadOutcome::Loaded);
  ASSERT_EQ(platform_.messages().size(), 1U);
  EXPECT_EQ(platform_.messages()[0].text, kQuestion);
  ASSERT_EQ(platform_.dialogs().size(), 1U);
  EXPECT_EQ(platform_.dialogs()[0].title, "Datendatei laden:");
  EXPECT_EQ(fresh.recordBaseName, "M\xC3\xBChle");

  // A missing file is no record file either; No ends the program without a dialog.
  platform_.clearRecord();
  RecordSession none;
  platform_.queueMessageAnswer(MessageAnswer::No);
  EXPECT_EQ(loadRecordFile(platform_, none, path("Fehlt.krv")), LoadOutcome::EndProgram);
  EXPECT_EQ(platform_.messages().size(), 1U);
  EXPECT_TRUE(platform_.dialogs().empty());
  EXPECT_TRUE(none.records.list.empty());
}

TEST_F(RecordLoaderTest, NonAsciiFileNameMatchesItsWindows1252EndLine) {
  platform_.queueOpenFile(path("M\xC3\xBChle.krv"));
  ASSERT_EQ(loadRecordFile(platform_, session_), LoadOutcome::Loaded);
  EXPECT_EQ(session_.recordBaseName, "M\xC3\xBChle");
  EXPECT_EQ(session_.records.list.size(), 1U);
  EXPECT_TRUE(platform_.messages().empty());
}

}  // namespace
}  // namespace korvalis
