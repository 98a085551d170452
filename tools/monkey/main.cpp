// korvalis_monkey: the assembled program on the offscreen platform against the test archive
// server, driven by seeded random user actions while invariants are checked. Prints one
// summary line last; exit 1 on any fault (with the seed and the last actions to replay it).
#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <filesystem>
#include <random>

#include "app/app_state.h"
#include "app/app_state_init.h"
#include "app/ui/main_window.h"
#include "app/ui/program.h"
#include "archive/tests/archive_server_fixture.h"
#include "platform/scripted/scripted_platform.h"
#include "tools/monkey/action_log.h"
#include "tools/monkey/dialog_answerer.h"
#include "tools/monkey/monkey_context.h"
#include "tools/monkey/monkey_options.h"
#include "tools/monkey/monkey_run.h"
#include "tools/monkey/server_faults.h"
#include "tools/monkey/stall_watchdog.h"

using namespace korvalis;
using namespace korvalis::monkey;

namespace {

void addPrinters(ScriptedPlatform& platform) {
  platform.printers = {{{"Buero", "Laser 5", "file:///dev/null"}, {4960, 7016, 600}},
                       {{"Keller", "Tinte 2", "file:///dev/null"}, {2480, 3508, 300}}};
  platform.defaultPrinter = "Buero";
}

int printSummary(const ActionLog& log, qint64 longestStall, qint64 longestModalStall) {
  std::fprintf(stderr, "monkey: longest stall while a modal window was up: %lld ms\n",
               static_cast<long long>(longestModalStall));
  if (log.faultCount() > 0) {
    std::fprintf(stderr, "monkey: %d faults:\n", log.faultCount());
    for (const std::string& fault : log.faults()) {
      std::fprintf(stderr, "  %s\n", fault.c_str());
    }
    std::fprintf(stderr, "monkey: replay with --seed %llu\n",
                 static_cast<unsigned long long>(log.seed()));
  }
  std::fflush(stderr);
  std::printf("monkey: %d actions, %d faults, longest stall %lld ms, seed %llu\n",
              log.actionCount(), log.faultCount(), static_cast<long long>(longestStall),
              static_cast<unsigned long long>(log.seed()));
  std::fflush(stdout);
  return log.faultCount() > 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  std::string error;
  const std::optional<MonkeyOptions> options =
      parseMonkeyOptions(std::vector<std::string>(argv + 1, argv + argc), error);
  if (!options) {
    std::fprintf(stderr, "%s\n%s\n", error.c_str(), kMonkeyUsage);
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  int qtArgc = 1;
  QApplication app(qtArgc, argv);

  ActionLog log(options->seed);
  std::mt19937_64 random(options->seed);
  const std::vector<std::string> serverArgs =
      options->serverFaults ? randomServerFaults(random) : std::vector<std::string>{};
  std::string serverText;
  for (const std::string& arg : serverArgs) {
    serverText += " " + arg;
  }
  std::fprintf(stderr, "monkey: seed %llu, %d s, test archive server with%s\n",
               static_cast<unsigned long long>(options->seed), options->seconds,
               serverText.empty() ? " no faults" : serverText.c_str());
  const korvalis::testing::ArchiveServer server(serverArgs);
  if (server.port() == 0) {
    std::fprintf(stderr, "monkey: the test archive server did not start\n");
    return 2;
  }
  qputenv("KORVALIS_ARCHIVE_URL", QByteArray::fromStdString(server.baseUrl()));
  qputenv("KORVALIS_CA_FILE",
          QByteArray::fromStdString(korvalis::testing::ArchiveServer::caFile()));

  // A page cache of the run's own: a run neither reads nor fills the user's cache, and the
  // cache's paths are driven too (pages revisited are shown from it).
  const QTemporaryDir cacheHome;
  qputenv("XDG_CACHE_HOME", cacheHome.path().toLocal8Bit());
  const QTemporaryDir out;
  const std::filesystem::path outFolder = out.path().toStdString();
  const std::filesystem::path batchFolder = outFolder / "stapel";
  std::filesystem::create_directories(batchFolder);
  const std::string sourceDir = KORVALIS_TEST_SOURCE_DIR;

  qint64 longestStall = 0;
  qint64 longestModalStall = 0;
  {
    AppState state;
    initialiseAppState(state);
    ScriptedPlatform platform;
    addPrinters(platform);
    Program program(state, platform);
    DialogAnswerer answers(platform, random, log,
                           AnswerPaths{sourceDir + "/data/Beispiel.krv", outFolder, batchFolder});
    if (!program.start(sourceDir + "/data/Beispiel.krv")) {
      std::fprintf(stderr, "monkey: the program did not start with the sample record file\n");
      return 2;
    }
    MonkeyContext context{program,
                          state,
                          platform,
                          answers,
                          log,
                          random,
                          readCatalogue(sourceDir + "/data/Beispiel.catalogue.tsv"),
                          outFolder,
                          {},
                          0,
                          {}};
    StallWatchdog watchdog(
        [&answers] { return answers.modalOpen(); },
        [&log](qint64 ms) {
          log.fault("the event loop stalled " + std::to_string(ms) + " ms outside modal windows");
        },
        options->stallLimitMs);
    MonkeyRun run(context, watchdog, options->seconds, {outFolder});
    QObject::connect(&run, &MonkeyRun::finished, &app, &QApplication::quit, Qt::QueuedConnection);
    run.start();
    app.exec();
    longestStall = watchdog.longestMs();
    longestModalStall = watchdog.longestModalMs();
  }
  return printSummary(log, longestStall, longestModalStall);
}
