// The soak run: the program put together by the same composition root as main() (the scripted
// platform answers its dialogs), offscreen, against the test archive server named in the
// environment. It steps through pages as a user does (">>", "<<", jumps to a random page of a
// random film, Esc while a page loads) and runs batch downloads through the save window, then
// compares resident memory, open descriptors and threads at the end with the figures after a
// warm-up.
//   korvalis_soak --record FILE.krv --catalogue FILE.tsv --work DIR [--pages N]
//                 [--batches N] [--batch-pages N] [--warm-up N] [--seed N] [--strict-memory]
// Exit status 0: every batch row was saved and no descriptor or thread was left over (with
// --strict-memory: and memory stayed within +10 %); 1: otherwise, or a step that did not end;
// 2: bad arguments.
#include <malloc.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/app_state_init.h"
#include "app/ui/main_toolbar.h"
#include "app/ui/main_window.h"
#include "app/ui/navigation_panel.h"
#include "app/ui/program.h"
#include "archive/transfer_engine.h"
#include "batch/ui/save_window.h"
#include "platform/scripted/scripted_platform.h"
#include "records/ui/record_tree_view.h"
#include "records/ui/records_controller.h"

using namespace korvalis;

namespace {

struct Options {
  std::string recordFile;
  std::string catalogueFile;
  std::string workDir;
  int pages = 2000;
  int batches = 3;
  int batchPages = 500;
  int warmUp = 100;
  unsigned seed = 23;
  bool strictMemory = false;
};

// A film of the archive: its ID and last page (pages start at 1).
struct Film {
  std::string id;
  int lastPage = 0;
};

// What the process holds, read from /proc/self.
struct Resources {
  long rssKb = 0;
  int descriptors = 0;
  int sockets = 0;  ///< of the descriptors
  int threads = 0;
};

std::optional<int> parseInt(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0) {
    return std::nullopt;
  }
  return value;
}

std::optional<Options> parseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view name = argv[i];
    if (name == "--strict-memory") {
      options.strictMemory = true;
      continue;
    }
    if (i + 1 >= argc) {
      return std::nullopt;
    }
    const std::string_view value = argv[++i];
    const auto number = parseInt(value);
    if (name == "--record") {
      options.recordFile = value;
    } else if (name == "--catalogue") {
      options.catalogueFile = value;
    } else if (name == "--work") {
      options.workDir = value;
    } else if (number && name == "--pages") {
      options.pages = *number;
    } else if (number && name == "--batches") {
      options.batches = *number;
    } else if (number && *number > 0 && name == "--batch-pages") {
      options.batchPages = *number;
    } else if (number && name == "--warm-up") {
      options.warmUp = *number;
    } else if (number && name == "--seed") {
      options.seed = static_cast<unsigned>(*number);
    } else {
      return std::nullopt;
    }
  }
  if (options.recordFile.empty() || options.catalogueFile.empty() || options.workDir.empty()) {
    return std::nullopt;
  }
  return options;
}

// The films of the test server's catalogue (TAB-separated: ID, first page, last page, APID).
std::vector<Film> readCatalogue(const std::string& path) {
  std::vector<Film> films;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') {
      continue;
    }
    const std::size_t first = line.find('\t');
    const std::size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
    const std::size_t third = second == std::string::npos ? second : line.find('\t', second + 1);
    if (third == std::string::npos) {
      continue;
    }
    const auto last = parseInt(std::string_view(line).substr(second + 1, third - second - 1));
    if (last && *last > 0) {
      films.push_back({line.substr(0, first), *last});
    }
  }
  return films;
}

int countEntries(const char* folder, int* sockets = nullptr) {
  std::error_code error;
  int count = 0;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    ++count;
    if (sockets != nullptr) {
      std::error_code unreadable;
      *sockets +=
          std::filesystem::read_symlink(it->path(), unreadable).native().rfind("socket:", 0) == 0
              ? 1
              : 0;
    }
  }
  return count;
}

// The descriptor count includes the one that lists /proc/self/fd, in every sample alike.
Resources sample() {
  Resources now;
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) {
      now.rssKb = std::strtol(line.c_str() + 6, nullptr, 10);
    }
  }
  now.descriptors = countEntries("/proc/self/fd", &now.sockets);
  now.threads = countEntries("/proc/self/task");
  return now;
}

void print(const char* when, const Resources& r) {
  std::printf("%-8s memory %ld kB, descriptors %d (%d sockets), threads %d\n", when, r.rssKb,
              r.descriptors, r.sockets, r.threads);
}

class Soak {
 public:
  Soak(Options options, std::vector<Film> films)
      : options_(std::move(options)), films_(std::move(films)), random_(options_.seed) {
    initialiseAppState(state_);
    program_ = std::make_unique<Program>(state_, platform_);
  }

  bool start() {
    platform_.queueOpenFile(options_.recordFile);
    if (!program_->start() || state_.session.records.list.empty()) {
      std::fputs("korvalis_soak: the record file was not loaded\n", stderr);
      return false;
    }
    program_->navigationPanel().immediateDisplay()->setChecked(true);
    return activate();
  }

  /// `count` page steps; false when one did not end in time.
  bool steps(int count) {
    for (int i = 0; i < count; ++i) {
      if (!step()) {
        return false;
      }
    }
    return true;
  }

  /// A batch run of `pages` pages of a random film through the save window; false when the
  /// run did not end in time.
  bool batch(int pages) {
    const Film& film = randomFilm(pages);
    const int from = std::uniform_int_distribution<int>(1, film.lastPage - pages + 1)(random_);
    SaveWindow* save = program_->mainWindow().findChild<SaveWindow*>(QStringLiteral("saveWindow"));
    if (save == nullptr) {
      std::fputs("korvalis_soak: no save window\n", stderr);
      return false;
    }
    program_->toolBar().action(nav::ToolButton::SaveWindow)->trigger();
    field(*save, "idField")->setText(QString::fromStdString(film.id));
    field(*save, "fromField")->setText(QString::number(from));
    field(*save, "toField")->setText(QString::number(from + pages - 1));
    button(*save, "createLinks")->click();
    control<QAction>(*save, "checkAll")->trigger();
    const QString folder = QDir(QString::fromStdString(options_.workDir))
                               .filePath(QStringLiteral("lauf%1").arg(++batchRuns_));
    QDir().mkpath(folder);
    platform_.queueFolder(folder.toStdString());
    button(*save, "chooseFolder")->click();
    field(*save, "patternField")->setText(QStringLiteral("Seite_[3]"));
    button(*save, "assignNames")->click();
    button(*save, "start")->click();
    const bool ended =
        QTest::qWaitFor([save] { return !save->commands().batchRunning(); }, 60000 + pages * 500);
    const QAbstractItemModel* rows = save->listView()->model();
    for (int row = 0; row < rows->rowCount(); ++row) {
      ++(rows->index(row, 2).data().toString() == QStringLiteral("OK") ? batchOk_ : batchOther_);
    }
    program_->toolBar().action(nav::ToolButton::SaveWindow)->trigger();
    QDir(folder).removeRecursively();
    platform_.clearRecord();
    if (!ended) {
      std::fputs("korvalis_soak: a batch run did not end\n", stderr);
    }
    return ended && activate();
  }

  /// Waits until no request or job runs, then (bounded) until the connections of the last
  /// requests are closed and the thread count holds still for a moment, then samples. A
  /// connection still open after that counts in the figures.
  Resources quiet() {
    if (!QTest::qWaitFor([this] { return idle(); }, 30000)) {
      std::fputs("korvalis_soak: requests still running after 30 s\n", stderr);
    }
    int steady = 0;
    int threads = -1;
    const bool steadied = QTest::qWaitFor(
        [&] {
          const Resources now = sample();
          steady = now.threads == threads ? steady + 1 : 0;
          threads = now.threads;
          return steady >= 5 && now.sockets == 0;
        },
        5000);
    if (!steadied) {
      std::fputs(
          "korvalis_soak: after 5 s connections are still open or the thread count changes; they "
          "are counted as they are\n",
          stderr);
    }
    return sample();
  }

  /// Waits (bounded) until the descriptors and threads are back to `warm`'s counts; the
  /// transfer engine lets workers that did not stop at once after an abort end on their own.
  Resources settle(const Resources& warm, qint64& waitedMs) {
    QElapsedTimer timer;
    timer.start();
    const bool settled = QTest::qWaitFor(
        [&] {
          const Resources now = sample();
          return idle() && now.descriptors - now.sockets <= warm.descriptors - warm.sockets &&
                 now.sockets <= warm.sockets && now.threads <= warm.threads;
        },
        30000);
    waitedMs = settled ? timer.elapsed() : -1;
    return sample();
  }

  void report() const {
    std::printf(
        "seed %u: %d page steps (%d shown, %d cancelled, %d ended otherwise; Esc pressed %d "
        "times), %d batch runs (%d rows OK, %d not)\n",
        options_.seed, shown_ + cancelled_ + otherwise_, shown_, cancelled_, otherwise_,
        escPressed_, batchRuns_, batchOk_, batchOther_);
  }

  bool allBatchRowsOk() const { return batchOther_ == 0; }

 private:
  // The main window active again, as after the user's click into it: its keys (Esc) work
  // only then.
  bool activate() {
    MainWindow& window = program_->mainWindow();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window)) {
      std::fputs("korvalis_soak: the main window does not become active\n", stderr);
      return false;
    }
    return true;
  }

  bool idle() const { return !state_.request.inFlight() && program_->engine().jobCount() == 0; }

  const Film& randomFilm(int minimumPages = 1) {
    for (;;) {
      const Film& film =
          films_[std::uniform_int_distribution<std::size_t>(0, films_.size() - 1)(random_)];
      if (film.lastPage >= minimumPages) {
        return film;
      }
    }
  }

  // A control of the save window by its object name; the run cannot go on without it.
  template <typename Control>
  static Control* control(const SaveWindow& save, const char* name) {
    auto* found = save.findChild<Control*>(QString::fromLatin1(name));
    if (found == nullptr) {
      std::fprintf(stderr, "korvalis_soak: the save window has no control %s\n", name);
      std::exit(1);
    }
    return found;
  }
  static QLineEdit* field(const SaveWindow& save, const char* name) {
    return control<QLineEdit>(save, name);
  }
  static QPushButton* button(const SaveWindow& save, const char* name) {
    return control<QPushButton>(save, name);
  }

  // One step: ">>" (half of them), "<<" (a quarter) or a jump, and in one of six steps Esc a
  // moment after the request started.
  bool step() {
    NavigationPanel& panel = program_->navigationPanel();
    const int move = std::uniform_int_distribution<int>(0, 7)(random_);
    const int page = panel.pageField()->text().toInt();
    if (move < 4 && page > 0 && page < currentFilmLast_) {
      panel.nextPageButton()->click();
    } else if (move < 6 && page > 1) {
      panel.previousPageButton()->click();
    } else {
      const Film& film = randomFilm();
      currentFilmLast_ = film.lastPage;
      panel.idField()->setText(QString::fromStdString(film.id));
      panel.pageField()->setText(
          QString::number(std::uniform_int_distribution<int>(1, film.lastPage)(random_)));
      panel.showButton()->click();
    }
    if (std::uniform_int_distribution<int>(0, 5)(random_) == 0) {
      // Within the look-ups (each answer takes the server's latency) when the page is not
      // in memory already.
      QTest::qWait(std::uniform_int_distribution<int>(0, 20)(random_));
      ++escPressed_;
      RecordTreeView* tree = program_->records().treeView();
      tree->setFocus();
      QTest::keyClick(tree, Qt::Key_Escape);
    }
    if (!QTest::qWaitFor([this] { return !state_.request.inFlight(); }, 30000)) {
      std::fputs("korvalis_soak: a page request did not end within 30 s\n", stderr);
      return false;
    }
    const std::string status = program_->mainWindow().statusText(0);
    ++(status == " Fertig." ? shown_ : status == " Abbruch!" ? cancelled_ : otherwise_);
    return true;
  }

  Options options_;
  std::vector<Film> films_;
  std::mt19937 random_;
  AppState state_;
  ScriptedPlatform platform_;
  std::unique_ptr<Program> program_;
  int currentFilmLast_ = 0;
  int shown_ = 0;
  int cancelled_ = 0;
  int otherwise_ = 0;
  int escPressed_ = 0;
  int batchRuns_ = 0;
  int batchOk_ = 0;
  int batchOther_ = 0;
};

// Verdicts: memory within +10 % of the warm-up, descriptors (files, pipes, event descriptors
// apart from sockets, and sockets) and threads not above it.
int compare(const Resources& warm, const Resources& end, bool strictMemory) {
  const double growth =
      100.0 * static_cast<double>(end.rssKb - warm.rssKb) / static_cast<double>(warm.rssKb);
  const bool memoryMet = growth <= 10.0;
  const bool filesMet = end.descriptors - end.sockets <= warm.descriptors - warm.sockets;
  const bool socketsMet = end.sockets <= warm.sockets;
  const bool threadsMet = end.threads <= warm.threads;
  std::printf("memory      %+.1f %% (target at most +10 %%): %s\n", growth,
              memoryMet ? "met" : "NOT met");
  std::printf("descriptors %d -> %d without sockets: %s\n", warm.descriptors - warm.sockets,
              end.descriptors - end.sockets, filesMet ? "met" : "LEAK");
  std::printf("sockets     %d -> %d: %s\n", warm.sockets, end.sockets, socketsMet ? "met" : "LEAK");
  std::printf("threads     %d -> %d: %s\n", warm.threads, end.threads, threadsMet ? "met" : "LEAK");
  return filesMet && socketsMet && threadsMet && (memoryMet || !strictMemory) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const auto options = parseOptions(argc, argv);
  if (!options) {
    std::fputs(
        "usage: korvalis_soak --record FILE.krv --catalogue FILE.tsv --work DIR [--pages N]\n"
        "       [--batches N] [--batch-pages N] [--warm-up N] [--seed N] [--strict-memory]\n",
        stderr);
    return 2;
  }
  std::vector<Film> films = readCatalogue(options->catalogueFile);
  if (films.empty()) {
    std::fputs("korvalis_soak: no film in the catalogue\n", stderr);
    return 2;
  }
  Soak soak(*options, std::move(films));
  if (!soak.start()) {
    return 1;
  }
  // Warm-up: a short batch run, then pages, so the caches, pools and the save window exist
  // and the figures are taken after page steps, as at the end.
  if ((options->batches > 0 && !soak.batch(5)) || !soak.steps(options->warmUp)) {
    return 1;
  }
  const Resources warm = soak.quiet();
  print("warm-up", warm);
  std::fflush(stdout);

  // The page steps in equal parts, a batch run after each part but the last.
  const int parts = options->batches + 1;
  for (int part = 0; part < parts; ++part) {
    const int count = options->pages / parts + (part < options->pages % parts ? 1 : 0);
    if (!soak.steps(count) || (part < options->batches && !soak.batch(options->batchPages))) {
      soak.report();
      return 1;
    }
    // The course between the two figures, as it is (nothing waited for).
    if (part + 1 < parts) {
      print(("part " + std::to_string(part + 1)).c_str(), sample());
    }
  }
  qint64 waitedMs = 0;
  const Resources end = soak.settle(warm, waitedMs);
  print("end", end);
  soak.report();
  if (waitedMs >= 0) {
    std::printf("settled after %lld ms\n", static_cast<long long>(waitedMs));
  } else {
    std::puts("not settled within 30 s");
  }
  // What the allocator keeps for reuse, returned: the rest is held by the program.
  malloc_trim(0);
  std::printf("memory after returning the allocator's free pages: %ld kB\n", sample().rssKb);
  // A run whose downloads failed has not exercised what it should.
  if (!soak.allBatchRowsOk()) {
    std::puts("batch rows not OK: the run proves little");
    return 1;
  }
  return compare(warm, end, options->strictMemory);
}
