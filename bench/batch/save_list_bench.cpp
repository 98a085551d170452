// Times the save window's bulk commands on 99,999 rows, offscreen: creating the links,
// checking every row, assigning file names, saving and loading the save list, then scrolling
// through the loaded list in 100 jumps, each painted. Prints one line per step: name, seconds.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "archive/curl_global.h"
#include "batch/ui/save_window.h"
#include "platform/scripted/scripted_platform.h"

using namespace korvalis;

namespace {
template <typename Step>
void timed(const char* name, Step step) {
  const auto start = std::chrono::steady_clock::now();
  step();
  QApplication::processEvents();  // the list redraws inside the measured time
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%s %.3f\n", name, seconds);
}
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fputs("usage: save_list_bench WORK_DIR\n", stderr);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  ScriptedPlatform platform;
  CurlGlobal curl;
  TransferEngine engine{curl, ""};
  SaveWindowSettings settings;
  settings.servicePrefix = "https://localhost:1/das/v2/";
  settings.pageSaveDir = dir.string() + "/";
  SaveWindow window(platform, engine, settings, [] {});
  window.show();
  QApplication::processEvents();
  window.findChild<QLineEdit*>("idField")->setText("4010312");
  window.findChild<QLineEdit*>("fromField")->setText("1");
  window.findChild<QLineEdit*>("toField")->setText("99999");
  window.findChild<QLineEdit*>("patternField")->setText("Seite_[5]");
  timed("create_links", [&] { window.findChild<QPushButton*>("createLinks")->click(); });
  timed("check_all", [&] { window.commands().checkAll(); });
  timed("assign_names", [&] { window.findChild<QPushButton*>("assignNames")->click(); });
  platform.queueSaveFile(SaveDialogAnswer{(dir / "bench.krl").string(), 0});
  timed("save_list", [&] { window.commands().saveListCommand(); });
  platform.queueMessageAnswer(MessageAnswer::Yes);
  platform.queueOpenFile((dir / "bench.krl").string());
  timed("load_list", [&] { window.commands().loadListCommand(); });
  // The list answers only for the rows in view: a jump costs as much at the end as at the top.
  QScrollBar* bar = window.listView()->verticalScrollBar();
  timed("scroll_100", [&] {
    for (int step = 1; step <= 100; ++step) {
      bar->setValue(bar->maximum() * step / 100);
      window.listView()->viewport()->repaint();
    }
  });
  if (window.listView()->model()->rowCount() != 99999) {
    std::fputs("the list did not come back whole\n", stderr);
    return 1;
  }
  return 0;
}
