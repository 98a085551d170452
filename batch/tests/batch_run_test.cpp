// The batch run against the test archive server over HTTPS: files byte-identical to the pages
// served, the outcome of every kind of failure with its retries, the slots, stopping, and a
// file that appears during the run.
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>

#include "archive/curl_global.h"
#include "archive/page_address.h"
#include "archive/tests/archive_server_fixture.h"
#include "batch/batch_run.h"
#include "batch/download_links.h"
#include "batch/event_queue.h"
#include "batch/file_naming.h"
#include "platform/cp1252.h"
#include "platform/file_io.h"
#include "platform/testing/temp_folder.h"

namespace korvalis {
namespace {

namespace fs = std::filesystem;
using testing::ArchiveServer;
using namespace std::chrono_literals;

constexpr const char* kFilm = "4010312";  // pages 1-596 in the sample catalogue

struct Recorder : BatchListener {
  std::vector<std::pair<std::size_t, std::int32_t>> started;  // row, its code (the slot)
  std::vector<std::size_t> finished;
  bool over = false;
  const SaveList* list = nullptr;
  void rowStarted(std::size_t row) override { started.emplace_back(row, list->row(row).code); }
  void rowFinished(std::size_t row) override { finished.push_back(row); }
  void runFinished() override { over = true; }
};

/// A list of pages of one film named KB_Köslin_[3] in a folder of its own, a batch run over it
/// and the server it talks to.
class Harness {
 public:
  Harness(const std::vector<std::string>& serverArgs, int pages,
          std::function<void()> pageChecked = {})
      : server_(serverArgs), dir_(folder_.path()) {
    auto rows = std::get<std::vector<LinkRow>>(makeLinkRows(kFilm, "1", std::to_string(pages)));
    for (LinkRow& row : rows) {
      row.checked = true;
    }
    applyFileNames(rows, *utf8ToCp1252(dir_.string()),
                   std::get<NamePattern>(parseNamePattern("KB_K\xF6slin_[3]")));
    list_.replaceAll(std::move(rows));
    recorder_.list = &list_;
    BatchSettings settings;
    settings.servicePrefix = server_.servicePrefix();
    settings.retryDelays = {10ms, 20ms};
    settings.pageChecked = std::move(pageChecked);
    run_ = std::make_unique<BatchRun>(engine_, list_, queue_, recorder_, settings);
  }
  ~Harness() { run_.reset(); }

  /// Hands the posted events to the run until `done` holds (fails after 30 s).
  template <typename Done>
  void pumpUntil(Done done) {
    const auto end = std::chrono::steady_clock::now() + 30s;
    while (!done()) {
      ASSERT_LT(std::chrono::steady_clock::now(), end) << "the run did not get there in time";
      if (const auto event = queue_->next(50ms)) {
        run_->handleEvent(event->code, event->data);
      }
    }
  }
  void runToEnd() {
    ASSERT_TRUE(run_->start());
    pumpUntil([this] { return recorder_.over; });
  }
  /// The image the server sends for a page.
  std::vector<unsigned char> servedPage(int page) {
    UrlRequest request;
    request.url = pageImageUrl(
        server_.servicePrefix(),
        LookUpLocation(engine_, server_.servicePrefix(), makePageRef(kFilm, std::to_string(page))));
    return engine_.GetUrlSync(request).value_or(std::vector<unsigned char>{});
  }
  /// How many requests of the log contain `part`.
  std::size_t requests(const std::string& part) const {
    const auto log = server_.requestLog();
    return static_cast<std::size_t>(
        std::count_if(log.begin(), log.end(),
                      [&](const std::string& line) { return line.find(part) != line.npos; }));
  }
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  ArchiveServer server_;
  korvalis::testing::TempFolder folder_{"korvalis-batch"};
  fs::path dir_;
  CurlGlobal curl_;
  TransferEngine engine_{curl_, korvalis::testing::ArchiveServer::caFile()};
  std::shared_ptr<EventQueue> queue_ = std::make_shared<EventQueue>();
  SaveList list_;
  Recorder recorder_;
  std::unique_ptr<BatchRun> run_;
};

TEST(BatchRun, TwelvePagesArriveByteIdenticalUnderTheirNumberedNames) {
  Harness h({}, 12);
  h.runToEnd();
  std::vector<std::string> expected;
  for (int page = 1; page <= 12; ++page) {
    char name[32];
    std::snprintf(name, sizeof name, "KB_K\xC3\xB6slin_%03d.jpg", page);  // UTF-8 on disk
    expected.emplace_back(name);
    const LinkRow& row = h.list_.row(static_cast<std::size_t>(page - 1));
    EXPECT_EQ(row.status, "OK");
    EXPECT_EQ(row.code, kRowSaved);
    EXPECT_FALSE(row.checked);
    const auto saved = readWholeFileBytes(h.dir_ / name);
    ASSERT_TRUE(saved) << name;
    const auto served = h.servedPage(page);
    EXPECT_TRUE(std::equal(saved->begin(), saved->end(), served.begin(), served.end())) << name;
  }
  EXPECT_EQ(h.files(), expected);  // and no temporary file left behind
  EXPECT_EQ(h.run_->progressValue(), 12);
  EXPECT_EQ(h.run_->progressMaximum(), 12);
  EXPECT_FALSE(h.run_->running());
}

TEST(BatchRun, FailuresGetTheirCodesAndOnlyNetworkFailuresAreRetried) {
  Harness h({"--fault", "droponce=_00002/location", "--fault", "nonimage=00003/dist.jpg", "--fault",
             "droponce=00004/dist.jpg", "--fault", "notfound=00005/dist.jpg", "--fault",
             "unavailable=00006/dist.jpg"},
            6);
  h.runToEnd();
  const std::pair<const char*, bool> outcomes[] = {{"OK", false},       {"OK", false},
                                                   {"Fehler 4!", true}, {"OK", false},
                                                   {"Fehler 4!", true}, {"Fehler 4!", true}};
  for (std::size_t i = 0; i < 6; ++i) {
    SCOPED_TRACE(i + 1);
    EXPECT_EQ(h.list_.row(i).status, outcomes[i].first);
    EXPECT_EQ(h.list_.row(i).checked, outcomes[i].second);  // failed rows stay checked
  }
  EXPECT_EQ(h.requests("_00002/location"), 2U);  // dropped look-up, tried again
  EXPECT_EQ(h.requests("00003/dist.jpg"), 1U);   // not an image: final
  EXPECT_EQ(h.requests("00004/dist.jpg"), 2U);   // dropped, then served
  EXPECT_EQ(h.requests("00005/dist.jpg"), 1U);   // 404: final
  EXPECT_EQ(h.requests("00006/dist.jpg"), 3U);   // 503: two more tries
  EXPECT_EQ(h.files().size(), 3U);
  EXPECT_EQ(h.run_->progressValue(), 3);
}

TEST(BatchRun, EachRowGetsTheNextFreeSlot) {
  for (const int rows : {1, 2}) {
    Harness h({}, rows);
    h.runToEnd();
    std::vector<std::int32_t> slots;
    for (const auto& [row, code] : h.recorder_.started) {
      slots.push_back(code);
    }
    std::sort(slots.begin(), slots.end());
    const std::vector<std::int32_t> expected =
        rows == 1 ? std::vector<std::int32_t>{1} : std::vector<std::int32_t>{1, 2};
    EXPECT_EQ(slots, expected);
  }
}

TEST(BatchRun, LookUpsRunAheadOfTheSlotsAndEachRowIsLookedUpOnce) {
  // Slow images: while the three slots wait for their pages, the next rows' look-ups are
  // already answered, so a slot that takes a row can request its image at once.
  Harness h({"--fault", "latency=400:dist.jpg"}, 6);
  ASSERT_TRUE(h.run_->start());
  h.pumpUntil([&] { return !h.recorder_.finished.empty(); });
  EXPECT_EQ(h.requests("/location"), 6U);
  h.pumpUntil([&] { return h.recorder_.over; });
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(h.list_.row(i).status, "OK") << i;
  }
  EXPECT_EQ(h.requests("/location"), 6U);  // none asked twice
  EXPECT_EQ(h.files().size(), 6U);
}

TEST(BatchRun, ARowUncheckedAfterItsLookUpStartedIsNotDownloaded) {
  Harness h({"--fault", "latency=300:dist.jpg"}, 6);
  ASSERT_TRUE(h.run_->start());
  h.list_.setChecked(4, false);  // its look-up may already be under way
  h.pumpUntil([&] { return h.recorder_.over; });
  EXPECT_EQ(h.requests("00005/dist.jpg"), 0U);
  EXPECT_EQ(h.requests("00006/dist.jpg"), 1U);
  EXPECT_FALSE(fs::exists(cp1252ToUtf8(h.list_.row(4).fileName)));
  EXPECT_EQ(h.files().size(), 5U);
  EXPECT_EQ(h.list_.row(5).status, "OK");
}

TEST(BatchRun, StopLeavesStopRowsCheckedAndNoFile) {
  Harness h({"--fault", "latency=300"}, 6);
  ASSERT_TRUE(h.run_->start());
  h.pumpUntil([&] { return !h.recorder_.started.empty(); });  // a download is under way
  h.run_->stop();
  EXPECT_FALSE(h.run_->running());
  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(h.list_.row(i).status, "STOP");
    EXPECT_EQ(h.list_.row(i).code, kRowStopped);
    EXPECT_TRUE(h.list_.row(i).checked);
  }
  // Whatever the stopped workers and downloads still post changes nothing.
  while (const auto event = h.queue_->next(400ms)) {
    h.run_->handleEvent(event->code, event->data);
  }
  EXPECT_EQ(h.list_.row(0).status, "STOP");
  EXPECT_TRUE(h.files().empty());
  EXPECT_TRUE(h.recorder_.finished.empty());
}

// Every received page is checked (decoded) and written on a worker, never on the thread that
// handles the run's events (before, each 20-megapixel page held the window while it was
// decoded and flushed to the disk).
TEST(BatchRun, PagesAreCheckedAndWrittenOffTheEventThread) {
  std::mutex mutex;
  std::vector<std::thread::id> checkers;
  Harness h({}, 6, [&] {
    const std::scoped_lock lock(mutex);
    checkers.push_back(std::this_thread::get_id());
  });
  h.runToEnd();
  const std::scoped_lock lock(mutex);
  ASSERT_EQ(checkers.size(), 6U);
  for (const std::thread::id checker : checkers) {
    EXPECT_NE(checker, std::this_thread::get_id()) << "a page was decoded on the event thread";
  }
  for (std::size_t row = 0; row < 6; ++row) {
    EXPECT_EQ(h.list_.row(row).status, "OK");
  }
  EXPECT_EQ(h.files().size(), 6U) << "no hidden or temporary file is left";
}

// A stop while a page is being checked and written: its row ends "STOP" at once, and the
// worker, which goes on afterwards, leaves no file (neither under the row's name nor a hidden
// one).
TEST(BatchRun, AStopWhileAPageIsBeingSavedLeavesNoFile) {
  std::mutex mutex;
  std::condition_variable changed;
  bool checking = false;
  bool release = false;
  Harness h({}, 1, [&] {
    std::unique_lock lock(mutex);
    checking = true;
    changed.notify_all();
    changed.wait_for(lock, 30s, [&] { return release; });
  });
  ASSERT_TRUE(h.run_->start());
  h.pumpUntil([&] {
    const std::scoped_lock lock(mutex);
    return checking;
  });
  h.run_->stop();
  EXPECT_FALSE(h.run_->running());
  EXPECT_EQ(h.list_.row(0).status, "STOP");
  {
    const std::scoped_lock lock(mutex);
    release = true;
    changed.notify_all();
  }
  while (const auto event = h.queue_->next(300ms)) {
    h.run_->handleEvent(event->code, event->data);
  }
  h.run_.reset();  // the window's end: the worker has ended
  EXPECT_EQ(h.list_.row(0).status, "STOP");
  EXPECT_TRUE(h.files().empty());
  EXPECT_TRUE(h.recorder_.finished.empty());
}

// "DL Stop" while the archive never answers the look-ups (those ahead of the slots are
// asynchronous jobs, the slots' retries run on workers): the stop returns at once instead of
// waiting for each job in turn, and the run's end does not wait out the stall either.
TEST(BatchRun, StopAgainstASilentArchiveNeverWaits) {
  Harness h({"--fault", "stall=/location"}, 6);
  ASSERT_TRUE(h.run_->start());
  for (int i = 0; i < 6000 && h.requests("/location") < 4; ++i) {
    std::this_thread::sleep_for(5ms);
  }
  ASSERT_GE(h.requests("/location"), 4U) << "the look-ups never reached the server";
  const auto start = std::chrono::steady_clock::now();
  h.run_->stop();
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, 100ms) << std::chrono::duration_cast<std::chrono::milliseconds>(took).count()
                         << " ms";
  EXPECT_FALSE(h.run_->running());
  EXPECT_EQ(h.list_.row(0).status, "STOP");
  const auto end = std::chrono::steady_clock::now();
  h.run_.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - end, 10s);
  EXPECT_EQ(h.engine_.jobCount(), 0U);
}

TEST(BatchRun, AFileThatAppearsDuringTheRunIsNeverOverwritten) {
  Harness h({}, 3);
  ASSERT_TRUE(h.run_->start());
  const fs::path third = cp1252ToUtf8(h.list_.row(2).fileName);
  std::ofstream(third) << "mine";
  h.pumpUntil([&] { return h.recorder_.over; });
  EXPECT_EQ(h.list_.row(0).status, "OK");
  EXPECT_EQ(h.list_.row(2).status, "Fehler 2!");
  EXPECT_EQ(readWholeFile(third).value_or(""), "mine");
}

// Two requests a second, the others answered 429 "Retry-After: 1": the slots wait, the rows
// say so, and every page arrives without a try spent on the pauses.
TEST(BatchRun, ARateLimitedArchiveMakesTheSlotsWaitAndEveryPageArrives) {
  constexpr int kPages = 6;
  Harness h({"--fault", "ratelimit=2"}, kPages);
  ASSERT_TRUE(h.run_->start());
  bool sawWaiting = false;  // a row whose download had started showed "Warte..." in its slot
  h.pumpUntil([&] {
    for (const auto& [row, slot] : h.recorder_.started) {
      const LinkRow& shown = h.list_.row(row);
      sawWaiting = sawWaiting || (shown.code >= 1 && shown.code <= 3 && shown.status == "Warte...");
    }
    return h.recorder_.over;
  });
  for (std::size_t i = 0; i < kPages; ++i) {
    EXPECT_EQ(h.list_.row(i).status, "OK") << i;
  }
  const std::size_t limited = h.requests("=> 429");
  const std::size_t limitedImages = h.requests("dist.jpg\t") - kPages;
  EXPECT_GE(limited, 1U) << "twelve requests at two a second";
  // Exactly one look-up and one download per page, plus the requests turned away.
  EXPECT_EQ(h.server_.requestLog().size(), 2 * kPages + limited);
  EXPECT_EQ(h.requests("/location/db") + h.requests("dist.jpg"), 2 * kPages + limited);
  if (limitedImages > 0) {
    EXPECT_TRUE(sawWaiting);
  }
  EXPECT_EQ(h.run_->progressValue(), kPages);
}

TEST(BatchRun, CachedPagesAreWrittenWithoutAskingTheArchiveAndDownloadsAreKept) {
  constexpr int kPages = 5;
  korvalis::testing::TempFolder cacheFolder{"korvalis-batch-cache"};
  PageCache cache(cacheFolder.path(), std::uint64_t{64} << 20);
  Harness h({}, kPages);
  h.run_->setCache(&cache);
  h.runToEnd();
  EXPECT_EQ(cache.stats().entries, static_cast<std::uint64_t>(kPages));
  EXPECT_EQ(h.requests("dist.jpg"), static_cast<std::size_t>(kPages));
  std::vector<std::vector<std::uint8_t>> first;
  for (const std::string& name : h.files()) {
    first.push_back(readWholeFileBytes(h.dir_ / name).value_or(std::vector<std::uint8_t>{}));
    fs::remove(h.dir_ / name);
  }
  ASSERT_EQ(first.size(), static_cast<std::size_t>(kPages));

  // Page 3's entry is damaged: it alone goes to the archive again (and is kept anew).
  const fs::path damaged = cacheFolder.path() / "004010312_00003.page";
  auto bytes = readWholeFileBytes(damaged);
  ASSERT_TRUE(bytes.has_value());
  bytes->back() ^= 0xFF;
  ASSERT_TRUE(writeFileAtomically(damaged, *bytes));
  h.list_.updateAll([](std::vector<LinkRow>& rows) {
    for (LinkRow& row : rows) {
      row.checked = true;
    }
  });
  const std::size_t before = h.server_.requestLog().size();
  h.recorder_.over = false;
  h.runToEnd();
  const auto log = h.server_.requestLog();
  ASSERT_EQ(log.size() - before, 2U) << "one look-up and one download, for page 3";
  EXPECT_NE(log[before].find("_00003/location"), std::string::npos);
  EXPECT_NE(log[before + 1].find("dist.jpg"), std::string::npos);
  const auto names = h.files();
  ASSERT_EQ(names.size(), static_cast<std::size_t>(kPages));
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(h.list_.row(i).status, "OK");
    EXPECT_EQ(readWholeFileBytes(h.dir_ / names[i]), first[i]) << names[i];
  }
  EXPECT_EQ(h.run_->progressValue(), kPages);
  EXPECT_EQ(cache.find("004010312", "00003")->bytes, first[2]);
}

}  // namespace
}  // namespace korvalis
