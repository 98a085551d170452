// The save window's commands with a recording view and the scripted platform: links, the list
// menu, save lists, naming and start refusals, and the storage estimate against the server.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "archive/curl_global.h"
#include "archive/page_address.h"
#include "archive/tests/archive_server_fixture.h"
#include "batch/event_queue.h"
#include "batch/file_naming.h"
#include "batch/save_list_file.h"
#include "batch/save_window_commands.h"
#include "platform/file_io.h"
#include "platform/scripted/scripted_platform.h"
#include "platform/testing/temp_folder.h"

namespace korvalis {
namespace {

namespace fs = std::filesystem;
using testing::ArchiveServer;
using namespace std::chrono_literals;

class RecordingView : public SaveWindowView {
 public:
  std::string fieldText(SaveField field) const override {
    const auto it = fields.find(field);
    return it == fields.end() ? std::string() : it->second;
  }
  void setFieldText(SaveField field, std::string_view utf8) override {
    fields[field] = std::string(utf8);
  }
  void setControlEnabled(SaveControl control, bool enabled) override {
    enabled_[control] = enabled;
  }
  bool controlEnabled(SaveControl control) const override {
    const auto it = enabled_.find(control);
    return it == enabled_.end() || it->second;
  }
  void showProgress(bool shown) override { progressShown = shown; }
  void setProgressMaximum(int maximum) override { progressMaximum = maximum; }
  void setProgressValue(int value) override { progressValue = value; }
  void setTitle(std::string_view text) override { title = text; }
  void setMainWindowEnabled(bool enabled) override { mainEnabled = enabled; }
  std::optional<std::size_t> currentRow() const override { return current; }
  std::vector<std::size_t> highlightedRows() const override { return highlighted; }
  void clearHighlights() override { highlighted.clear(); }
  void scrollToRow(std::size_t) override {}
  void fitList() override {}

  std::map<SaveField, std::string> fields;
  std::map<SaveControl, bool> enabled_;
  bool progressShown = false;
  int progressMaximum = 0;
  int progressValue = 0;
  std::string title = " Speichern...";
  bool mainEnabled = true;
  std::optional<std::size_t> current;
  std::vector<std::size_t> highlighted;
};

class SaveWindowCommandsTest : public ::testing::Test {
 protected:
  explicit SaveWindowCommandsTest(const std::vector<std::string>& serverArgs = {})
      : server_(serverArgs), dir_(folder_.path()) {
    SaveWindowSettings settings;
    settings.servicePrefix = server_.servicePrefix();
    settings.pagePrefix = server_.servicePrefix() + "dgs:";
    settings.pageSuffix = "/$dist";
    settings.linkDir = dir_.string();
    settings.saveListDir = dir_.string();
    settings.pageSaveDir = dir_.string() + "/";
    commands_ = std::make_unique<SaveWindowCommands>(platform_, view_, engine_, queue_, settings);
  }
  ~SaveWindowCommandsTest() override { commands_.reset(); }

  void createRows(const char* id, const char* from, const char* to) {
    view_.fields[SaveField::Id] = id;
    view_.fields[SaveField::From] = from;
    view_.fields[SaveField::To] = to;
    commands_->createLinks();
  }
  void nameRows(const std::string& pattern) {
    view_.fields[SaveField::Folder] = dir_.string() + "/";
    view_.fields[SaveField::Pattern] = pattern;
    commands_->assignFileNames();
  }
  void pumpWhile(const std::function<bool()>& busy) {
    const auto end = std::chrono::steady_clock::now() + 30s;
    while (busy() && std::chrono::steady_clock::now() < end) {
      if (const auto event = queue_->next(50ms)) {
        commands_->handleEvent(event->code, event->data);
      }
    }
  }
  std::string lastMessage() const {
    return platform_.messages().empty() ? std::string() : platform_.messages().back().text;
  }
  SaveList& list() { return commands_->list(); }

  ArchiveServer server_;
  korvalis::testing::TempFolder folder_{"korvalis-batch"};
  fs::path dir_;
  ScriptedPlatform platform_;
  RecordingView view_;
  CurlGlobal curl_;
  TransferEngine engine_{curl_, korvalis::testing::ArchiveServer::caFile()};
  std::shared_ptr<EventQueue> queue_ = std::make_shared<EventQueue>();
  std::unique_ptr<SaveWindowCommands> commands_;
};

TEST_F(SaveWindowCommandsTest, CreateLinksFillsTheListOrRefusesAndKeepsIt) {
  createRows("4717830", "3", "1");
  ASSERT_EQ(list().size(), 3U);
  EXPECT_EQ(list().row(0).reference, "004717830_00001");
  EXPECT_FALSE(view_.controlEnabled(SaveControl::ToClipboard));
  EXPECT_FALSE(view_.controlEnabled(SaveControl::Start));
  createRows("0", "1", "2");
  EXPECT_EQ(platform_.messages().back().title, "Hinweis");
  EXPECT_EQ(platform_.messages().back().sign, MessageSign::Warning);
  EXPECT_EQ(list().size(), 3U);
  commands_->openForEntry("004717830", "00001-00120");
  EXPECT_TRUE(list().empty());
  EXPECT_EQ(view_.fields[SaveField::From], "00001");
  EXPECT_EQ(view_.fields[SaveField::To], "00120");
}

TEST_F(SaveWindowCommandsTest, MenuCommandsSetCheckMarksAndButtons) {
  createRows("1", "1", "3");
  list().setChecked(0, true);
  commands_->invertChecks();
  EXPECT_FALSE(list().row(0).checked);
  EXPECT_TRUE(list().row(1).checked);
  EXPECT_TRUE(list().row(2).checked);
  EXPECT_TRUE(view_.controlEnabled(SaveControl::ToFile));
  EXPECT_FALSE(view_.controlEnabled(SaveControl::Start));  // no file names yet
  commands_->checkNone();
  EXPECT_FALSE(view_.controlEnabled(SaveControl::ToClipboard));
  view_.highlighted = {0, 2};
  commands_->checkHighlighted();
  EXPECT_TRUE(list().row(0).checked && !list().row(1).checked && list().row(2).checked);
  EXPECT_TRUE(view_.highlighted.empty());
  nameRows("A[1]");
  EXPECT_TRUE(view_.controlEnabled(SaveControl::Start));
  EXPECT_EQ(list().row(2).fileName, dir_.string() + "/A3.jpg");
  view_.fields[SaveField::Pattern] = "A\xE6\x97\xA5[1]";  // a character Windows-1252 lacks
  commands_->assignFileNames();
  EXPECT_EQ(lastMessage(), kNotStorableMessage);
  EXPECT_EQ(list().row(2).fileName, dir_.string() + "/A3.jpg");
}

TEST_F(SaveWindowCommandsTest, LinkFileAndClipboardHoldTheSameText) {
  createRows("4717830", "1", "3");
  list().setChecked(0, true);
  list().setChecked(2, true);
  commands_->copyLinksToClipboard();
  const std::string expected = server_.servicePrefix() + "dgs:004717830_00001/$dist\r\n" +
                               server_.servicePrefix() + "dgs:004717830_00003/$dist\r\n";
  EXPECT_EQ(platform_.clipboardText(), expected);

  platform_.queueSaveFile(SaveDialogAnswer{(dir_ / "links").string(), 0});
  commands_->writeLinksToFile();
  EXPECT_EQ(readWholeFile(dir_ / "links.txt").value_or(""), expected);
  EXPECT_EQ(lastMessage(), "2 von 3 Eintr\xE4ge  in Datei geschrieben.");

  platform_.clearRecord();
  platform_.queueSaveFile(SaveDialogAnswer{(dir_ / "links.csv").string(), 0});
  commands_->writeLinksToFile();
  EXPECT_FALSE(fs::exists(dir_ / "links.csv"));
  EXPECT_TRUE(platform_.messages().empty());

  // An existing file: "No" opens the dialog again.
  platform_.queueSaveFile(SaveDialogAnswer{(dir_ / "links.txt").string(), 0});
  platform_.queueMessageAnswer(MessageAnswer::No);
  platform_.queueSaveFile(SaveDialogAnswer{(dir_ / "other.TXT").string(), 0});
  commands_->writeLinksToFile();
  ASSERT_GE(platform_.messages().size(), 2U);
  EXPECT_EQ(platform_.messages()[0].text,
            "Datei \xFC"
            "berschreiben?");
  EXPECT_EQ(platform_.messages()[0].buttons, MessageButtons::YesNoCancel);
  EXPECT_EQ(readWholeFile(dir_ / "other.TXT").value_or(""), expected);
  EXPECT_EQ(platform_.pendingAnswers(), 0U);

  // The next link file's dialog starts where the last one was written; a failed write into
  // /proc does not move it.
  fs::create_directories(dir_ / "sub");
  platform_.clearRecord();
  platform_.queueSaveFile(SaveDialogAnswer{(dir_ / "sub/l.txt").string(), 0});
  commands_->writeLinksToFile();
  platform_.queueSaveFile(SaveDialogAnswer{"/proc/l.txt", 0});
  commands_->writeLinksToFile();
  platform_.queueSaveFile(std::nullopt);
  commands_->writeLinksToFile();
  ASSERT_EQ(platform_.dialogs().size(), 3U);
  EXPECT_EQ(platform_.dialogs()[1].startDir, (dir_ / "sub").string());
  EXPECT_EQ(platform_.dialogs()[2].startDir, (dir_ / "sub").string());
}

TEST_F(SaveWindowCommandsTest, SaveListsRoundTripAndLoadingChecksTheFile) {
  createRows("4717830", "1", "3");
  commands_->saveListCommand();  // no file names: nothing at all
  EXPECT_TRUE(platform_.dialogs().empty());
  list().setChecked(1, true);
  nameRows("KB_K\xC3\xB6slin_[2]");
  platform_.queueSaveFile(SaveDialogAnswer{(dir_ / "liste").string(), 0});
  commands_->saveListCommand();
  const auto saved = readWholeFile(dir_ / "liste.krl");
  ASSERT_TRUE(saved);
  EXPECT_EQ(*saved, formatSaveList(list().rows()));
  EXPECT_NE(saved->find("KB_K\xF6slin_02.jpg\t \t0\t2\r\n"), std::string::npos);
  EXPECT_EQ(lastMessage(), "3 Eintr\xE4ge  in Datei geschrieben.");

  const auto rows = list().rows();
  platform_.clearRecord();
  platform_.queueMessageAnswer(MessageAnswer::Yes);
  platform_.queueOpenFile((dir_ / "liste.krl").string());
  commands_->loadListCommand();
  EXPECT_EQ(platform_.messages().front().text,
            "Bestehende Liste \xFC"
            "berschreiben?");
  EXPECT_EQ(list().rows(), rows);

  std::ofstream(dir_ / "leer.krl").flush();
  platform_.queueMessageAnswer(MessageAnswer::Yes);
  platform_.queueOpenFile((dir_ / "leer.krl").string());
  commands_->loadListCommand();
  ASSERT_EQ(list().size(), 1U);
  EXPECT_EQ(list().row(0), LinkRow{});
  EXPECT_TRUE(view_.controlEnabled(SaveControl::Start));

  const std::pair<const char*, const char*> refused[] = {
      {"liste.txt", "Das ist keine g\xFCltige Speicherliste!"},
      {"fehlt.krl", "Datei fehlt.krl konnte nicht geladen werden!"}};
  for (const auto& [name, message] : refused) {
    platform_.queueMessageAnswer(MessageAnswer::Yes);
    platform_.queueOpenFile((dir_ / name).string());
    commands_->loadListCommand();
    EXPECT_EQ(lastMessage(), message);
    EXPECT_EQ(list().size(), 1U);
  }
}

TEST_F(SaveWindowCommandsTest, StartIsRefusedForExistingFilesAndWithoutCheckedRows) {
  createRows("4010312", "1", "3");
  nameRows("p[1]");
  commands_->startBatch();
  EXPECT_EQ(lastMessage(), "Kein Eintrag gew\xE4hlt!");
  commands_->checkAll();
  list().setCodeAndStatus(0, 2, "Lade...");  // as a loaded list may hold it
  std::ofstream(dir_ / "p2.jpg") << "x";
  commands_->startBatch();
  EXPECT_EQ(platform_.messages().back().title, "Achtung!");
  EXPECT_EQ(lastMessage(), "Es existiert bereits eine Datei mit dem gew\xE4hlten Dateinamen!");
  EXPECT_FALSE(commands_->batchRunning());
  EXPECT_EQ(list().row(0).status, "Lade...");  // a refused start changes no row
  fs::remove(dir_ / "p2.jpg");

  commands_->startBatch();
  EXPECT_TRUE(commands_->batchRunning());
  EXPECT_FALSE(view_.mainEnabled);
  EXPECT_TRUE(view_.controlEnabled(SaveControl::Stop));
  EXPECT_FALSE(view_.controlEnabled(SaveControl::List));
  EXPECT_EQ(view_.progressMaximum, 3);
  pumpWhile([&] { return commands_->batchRunning(); });
  EXPECT_EQ(list().row(2).status, "OK");
  EXPECT_EQ(view_.progressValue, 0);  // the end of the run resets and hides the bar
  EXPECT_FALSE(view_.progressShown);
  EXPECT_TRUE(view_.mainEnabled);
  EXPECT_FALSE(view_.controlEnabled(SaveControl::Stop));
}

// While a run goes on, no command replaces or renames the rows under it (each did before:
// the tree's "Speichern..." emptied the list and the next completion read past its end);
// "DL Stop" stays usable. A row index past the end reads as the empty end row.
TEST_F(SaveWindowCommandsTest, NothingReplacesTheListUnderARun) {
  createRows("4010312", "1", "3");
  commands_->checkAll();
  nameRows("p[1]");
  const std::vector<LinkRow> before = list().rows();
  commands_->startBatch();
  ASSERT_TRUE(commands_->batchRunning());
  EXPECT_FALSE(commands_->openForEntry("4010472", "17-18"));
  createRows("4010472", "17", "18");
  nameRows("q[1]");
  platform_.queueOpenFile((dir_ / "other.krl").string());
  commands_->loadListCommand();
  commands_->reset();
  ASSERT_EQ(list().size(), 3U);
  for (std::size_t row = 0; row < 3; ++row) {
    EXPECT_EQ(list().row(row).reference, before[row].reference);
    EXPECT_EQ(list().row(row).fileName, before[row].fileName);
  }
  EXPECT_EQ(view_.fields[SaveField::Id], "4010472") << "the fields were typed, not reset";
  EXPECT_TRUE(view_.controlEnabled(SaveControl::Stop));
  EXPECT_TRUE(list().row(3).reference.empty());
  EXPECT_TRUE(list().row(SIZE_MAX).fileName.empty());
  pumpWhile([&] { return commands_->batchRunning(); });
  for (std::size_t row = 0; row < 3; ++row) {
    EXPECT_EQ(list().row(row).status, "OK");
    EXPECT_TRUE(fs::exists(dir_ / ("p" + std::to_string(row + 1) + ".jpg")));
  }
  EXPECT_TRUE(commands_->openForEntry("4010472", "17-18")) << "after the run the list is free";
  EXPECT_TRUE(list().empty());
}

class EstimateTest : public SaveWindowCommandsTest {
 protected:
  EstimateTest() : SaveWindowCommandsTest({"--fault", "notfound=_00002/size"}) {}
  std::int64_t size(int page) {
    return QueryImageSize(engine_, server_.servicePrefix(),
                          longImageName(makePageRef("4010312", std::to_string(page))), 0);
  }
  std::string estimate(EstimateScope scope) {
    platform_.clearRecord();
    commands_->estimate(scope);
    pumpWhile([&] { return commands_->estimateRunning(); });
    EXPECT_EQ(view_.title, " Speichern...");
    EXPECT_TRUE(view_.mainEnabled);
    return lastMessage();
  }
};

TEST_F(EstimateTest, EveryScopeReportsItsSizeAndFailures) {
  createRows("4010312", "1", "3");
  const std::string note =
      "\rBei  einem Eintrag konnte die Gr\xF6\xDF"
      "e nicht ermittelt werden.";
  EXPECT_EQ(estimate(EstimateScope::Active),
            "Dokumentgr\xF6\xDF"
            "e konnte nicht ermittelt werden.");
  view_.current = 0;
  EXPECT_EQ(estimate(EstimateScope::Active),
            "Das Dokument ben\xF6tigt ca.  " + FormatByteSize(size(1), 2) + "yte.");
  EXPECT_EQ(platform_.messages().back().title, kEstimateTitle);

  EXPECT_EQ(estimate(EstimateScope::Checked), "Keine Eintr\xE4ge selektiert.");
  EXPECT_EQ(platform_.messages().size(), 1U);  // no result box

  commands_->checkAll();
  EXPECT_EQ(estimate(EstimateScope::Checked), "Die 3 selektierten Eintr\xE4ge belegen ca.  " +
                                                  FormatByteSize(size(1) + size(3), 2) + "yte." +
                                                  note);
  EXPECT_EQ(estimate(EstimateScope::All), "3 Eintr\xE4ge belegen ca.  " +
                                              FormatByteSize(size(1) + size(3), 2) + "yte." +
                                              "\rBei 1 Eintrag konnte die Gr\xF6\xDF"
                                              "e nicht ermittelt werden.");

  // Esc ends the run at once with what was examined so far.
  platform_.clearRecord();
  commands_->estimate(EstimateScope::All);
  EXPECT_EQ(view_.title, " ESC = Abbrechen");
  EXPECT_TRUE(view_.progressShown);
  commands_->cancelEstimate();
  EXPECT_FALSE(commands_->estimateRunning());
  EXPECT_EQ(lastMessage().substr(0, 9), "ABBRUCH!\r");
  EXPECT_FALSE(view_.progressShown);
}

// Esc during an estimate whose size query the server never answers: the query is aborted, so
// the worker ends long before the engine's 30-second stall limit and the estimate's end (the
// window's) does not wait for it.
TEST(StorageEstimateStop, ACancelledQueryIsAbortedAndItsWorkerEnds) {
  ArchiveServer server({"--fault", "stall=/size"});
  CurlGlobal curl;
  TransferEngine engine{curl, ArchiveServer::caFile()};
  const auto queue = std::make_shared<EventQueue>();
  auto estimate = std::make_unique<StorageEstimate>(engine, queue, server.servicePrefix());
  estimate->start({"004010312_00001", "004010312_00002"}, 2);
  const auto asked = [&server] {
    const auto log = server.requestLog();
    return std::any_of(log.begin(), log.end(),
                       [](const std::string& line) { return line.find("/size") != line.npos; });
  };
  for (int i = 0; i < 6000 && !asked(); ++i) {
    std::this_thread::sleep_for(5ms);
  }
  ASSERT_TRUE(asked());
  estimate->cancel();
  EXPECT_FALSE(estimate->running());
  EXPECT_TRUE(estimate->totals().cancelled);
  const auto start = std::chrono::steady_clock::now();
  estimate.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s) << "the stalled query was not aborted";
  EXPECT_FALSE(queue->next(200ms).has_value()) << "a cancelled estimate posts nothing";
}

}  // namespace
}  // namespace korvalis
