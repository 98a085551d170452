// krv links / list / batch / estimate: the save window's download links, save lists, batch
// download and storage estimate without a desktop, against KORVALIS_ARCHIVE_URL.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "archive/archive_address.h"
#include "archive/curl_global.h"
#include "batch/batch_run.h"
#include "batch/download_links.h"
#include "batch/event_queue.h"
#include "batch/file_naming.h"
#include "batch/save_list_file.h"
#include "batch/storage_estimate.h"
#include "platform/cp1252.h"
#include "platform/file_io.h"
#include "tools/krv/command.h"
#include "tools/krv/terminal.h"

namespace korvalis::krv {
namespace {

constexpr std::uint64_t kListReadCap = std::uint64_t{256} << 20;
constexpr auto kEventWait = std::chrono::milliseconds(100);

std::string servicePrefix(const ArchiveAddress& address) {
  return address.serviceUrl + "/das/v2/";
}

/// A message text (Windows-1252, CR as line break) with its line breaks as new lines.
std::string asLines(std::string_view message) {
  std::string text(message);
  std::replace(text.begin(), text.end(), '\r', '\n');
  return text;
}

/// Prints a message text to standard error in the terminal's encoding.
int refuse(std::string_view message) {
  std::cerr << terminalText(asLines(message)) << '\n';
  return kRefused;
}

/// Every row of the ID and page range, checked; a refused range gives its message.
std::optional<std::vector<LinkRow>> checkedRows(const std::string& id, const std::string& from,
                                                const std::string& to, int& exitCode) {
  auto made = makeLinkRows(id, from, to);
  if (const auto* message = std::get_if<std::string_view>(&made)) {
    exitCode = refuse(*message);
    return std::nullopt;
  }
  auto rows = std::move(std::get<std::vector<LinkRow>>(made));
  for (LinkRow& row : rows) {
    row.checked = true;
  }
  return rows;
}

int runLinks(std::span<const std::string> args) {
  if (args.size() != 3 && args.size() != 4) {
    std::cerr << "usage: krv links ID FROM TO [OUT.txt]\n";
    return kUsage;
  }
  int exitCode = kOk;
  const auto rows = checkedRows(args[0], args[1], args[2], exitCode);
  if (!rows) {
    return exitCode;
  }
  const std::string base = archiveBaseUrl();
  const std::string text = linkText(*rows, base + "/das/v2/dgs:", "/$dist");
  if (args.size() == 3) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return kOk;
  }
  if (!writeFileAtomically(args[3], text)) {
    return refuse("Datei " + fileNameText(std::filesystem::path(args[3]).filename().string()) +
                  " konnte nicht geschrieben werden.");
  }
  return kOk;
}

int runList(std::span<const std::string> args) {
  const bool names = args.size() == 7 && args[4] == "--names";
  if (args.size() != 4 && !names) {
    std::cerr << "usage: krv list ID FROM TO OUT.krl [--names FOLDER PATTERN]\n";
    return kUsage;
  }
  int exitCode = kOk;
  auto rows = checkedRows(args[0], args[1], args[2], exitCode);
  if (!rows) {
    return exitCode;
  }
  if (names) {
    std::error_code error;
    std::string folder = std::filesystem::absolute(args[5], error).lexically_normal().string();
    const auto folderText = utf8ToCp1252(folder);
    const auto pattern = utf8ToCp1252(args[6]);
    if (!folderText || !pattern) {
      return refuse(kNotStorableMessage);
    }
    const auto checked = checkNaming(rows->size(), *folderText, *pattern);
    if (const auto* message = std::get_if<std::string_view>(&checked)) {
      return refuse(*message);
    }
    applyFileNames(*rows, *folderText, std::get<NamePattern>(checked));
  }
  if (!writeFileAtomically(args[3], formatSaveList(*rows))) {
    return refuse("Datei " + fileNameText(std::filesystem::path(args[3]).filename().string()) +
                  " konnte nicht geschrieben werden!");
  }
  return kOk;
}

std::optional<std::vector<LinkRow>> loadList(const std::string& path, int& exitCode) {
  const auto bytes = readWholeFile(path, kListReadCap);
  if (!bytes) {
    exitCode = refuse("Datei " + fileNameText(std::filesystem::path(path).filename().string()) +
                      " konnte nicht geladen werden!");
    return std::nullopt;
  }
  return parseSaveList(*bytes);
}

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int /*signal*/) {
  interrupted = true;
}

/// Prints each ended row and, on a terminal, a progress line on standard error.
class BatchReport : public BatchListener {
 public:
  BatchReport(const SaveList& list, bool terminal) : list_(list), terminal_(terminal) {}

  void rowFinished(std::size_t row) override {
    const LinkRow& done = list_.row(row);
    if (done.code == kRowSaved) {
      std::error_code error;
      const auto size = std::filesystem::file_size(cp1252ToUtf8(done.fileName), error);
      bytes_ += error ? 0 : size;
    } else {
      allSaved_ = false;
    }
    ++ended_;
    clearProgress();
    std::cout << terminalText(done.reference) << '\t' << terminalText(done.status) << '\n'
              << std::flush;
    showProgress();
  }
  void progressChanged(int /*saved*/, int maximum) override {
    maximum_ = maximum;
    showProgress();
  }
  void runFinished() override { finished_ = true; }

  void stopped() {
    for (const LinkRow& row : list_.rows()) {
      if (row.code == kRowStopped && row.checked) {
        allSaved_ = false;
        clearProgress();
        std::cout << terminalText(row.reference) << '\t' << terminalText(row.status) << '\n';
      }
    }
    clearProgress();
  }
  bool finished() const { return finished_; }
  bool allSaved() const { return allSaved_; }
  void done() { clearProgress(); }

 private:
  void showProgress() {
    if (!terminal_) {
      return;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin_).count();
    const double rate = seconds > 0 ? static_cast<double>(bytes_) / seconds : 0;
    std::fprintf(stderr, "\r%zu/%d rows  %s  %s/s   ", ended_, maximum_,
                 FormatByteSize(static_cast<std::int64_t>(bytes_), 2).c_str(),
                 FormatByteSize(static_cast<std::int64_t>(rate), 2).c_str());
    std::fflush(stderr);
    shown_ = true;
  }
  void clearProgress() {
    if (shown_) {
      std::fputs("\r\033[K", stderr);
      shown_ = false;
    }
  }

  const SaveList& list_;
  bool terminal_;
  bool finished_ = false;
  bool allSaved_ = true;
  bool shown_ = false;
  std::size_t ended_ = 0;
  int maximum_ = 0;
  std::uintmax_t bytes_ = 0;
  std::chrono::steady_clock::time_point begin_ = std::chrono::steady_clock::now();
};

/// The options of krv batch after the list.
struct BatchOptions {
  int slots = 3;
  std::optional<std::uint64_t> intervalMs;  ///< nothing: the settings file's
  bool cache = false;
};

std::optional<BatchOptions> batchOptions(std::span<const std::string> args) {
  BatchOptions options;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& option = args[i];
    const bool hasValue = i + 1 < args.size();
    if (option == "--slots" && hasValue && args[i + 1].size() == 1 && args[i + 1][0] >= '1' &&
        args[i + 1][0] <= '3') {
      options.slots = args[++i][0] - '0';
    } else if (option == "--interval" && hasValue) {
      const std::string& value = args[++i];
      std::uint64_t ms = 0;
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), ms);
      if (error != std::errc() || end != value.data() + value.size() || ms > 3'600'000) {
        return std::nullopt;
      }
      options.intervalMs = ms;
    } else if (option == "--cache") {
      options.cache = true;
    } else {
      return std::nullopt;
    }
  }
  return options;
}

int runBatch(std::span<const std::string> args) {
  const auto options = args.empty() ? std::nullopt : batchOptions(args);
  if (!options) {
    std::cerr << "usage: krv batch LIST.krl [--slots 1-3] [--interval MS] [--cache]\n";
    return kUsage;
  }
  int exitCode = kOk;
  auto rows = loadList(args[0], exitCode);
  if (!rows) {
    return exitCode;
  }
  if (const auto refusal = startRefusal(checkTargetFiles(*rows))) {
    return refuse(refusal->text);
  }
  SaveList list;
  list.replaceAll(std::move(*rows));
  auto queue = std::make_shared<EventQueue>();
  CurlGlobal curl;
  const ArchiveAddress address = readArchiveAddress().address;
  TransferEngine engine{curl, address.caFile};
  engine.setRequestInterval(
      std::chrono::milliseconds(options->intervalMs.value_or(address.requestIntervalMs)));
  // Without --cache the cache is never touched, so a script keeps its exact requests.
  std::optional<PageCache> cache;
  if (options->cache) {
    cache.emplace(PageCache::defaultFolder(), address.cacheMb << 20);
  }
  BatchReport report(list, isatty(STDERR_FILENO) == 1);
  {
    BatchSettings settings;
    settings.servicePrefix = servicePrefix(address);
    settings.slotCount = options->slots;
    settings.cache = cache ? &*cache : nullptr;
    BatchRun run(engine, list, queue, report, settings);
    if (!run.start()) {
      return refuse("Kein Eintrag gew\xE4hlt!");
    }
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    while (!report.finished()) {
      if (interrupted) {
        run.stop();
        report.stopped();
        break;
      }
      if (const auto event = queue->next(kEventWait)) {
        run.handleEvent(event->code, event->data);
      }
    }
    report.done();
  }
  // The list goes back with the final codes, so the next run continues where this one ended.
  if (!writeFileAtomically(args[0], formatSaveList(list.rows()))) {
    return refuse("Datei " + fileNameText(std::filesystem::path(args[0]).filename().string()) +
                  " konnte nicht geschrieben werden!");
  }
  return report.allSaved() && !interrupted ? kOk : kRefused;
}

int runEstimate(std::span<const std::string> args) {
  EstimateScope scope = EstimateScope::All;
  if (args.size() == 2 && (args[1] == "--all" || args[1] == "--checked")) {
    scope = args[1] == "--all" ? EstimateScope::All : EstimateScope::Checked;
  } else if (args.size() != 1) {
    std::cerr << "usage: krv estimate LIST.krl [--all | --checked]\n";
    return kUsage;
  }
  int exitCode = kOk;
  const auto rows = loadList(args[0], exitCode);
  if (!rows) {
    return exitCode;
  }
  std::vector<std::string> references;
  for (const LinkRow& row : *rows) {
    if (row.reference.empty()) {
      break;
    }
    if (scope == EstimateScope::All || row.checked) {
      references.push_back(row.reference);
    }
  }
  if (scope == EstimateScope::Checked && references.empty()) {
    return refuse(kNothingCheckedMessage);
  }
  auto queue = std::make_shared<EventQueue>();
  CurlGlobal curl;
  const ArchiveAddress address = readArchiveAddress().address;
  TransferEngine engine{curl, address.caFile};
  engine.setRequestInterval(std::chrono::milliseconds(address.requestIntervalMs));
  StorageEstimate estimate(engine, queue, servicePrefix(address));
  estimate.start(std::move(references), rows->size());
  while (estimate.running()) {
    if (const auto event = queue->next(kEventWait)) {
      estimate.handleEvent(event->code, event->data);
    }
  }
  std::cout << terminalText(asLines(estimateMessage(scope, estimate.totals()))) << '\n';
  return kOk;
}

}  // namespace
}  // namespace korvalis::krv

KRV_COMMAND("links", "ID FROM TO [OUT.txt]", korvalis::krv::runLinks)
KRV_COMMAND("list", "ID FROM TO OUT.krl [--names FOLDER PATTERN]", korvalis::krv::runList)
KRV_COMMAND("batch", "LIST.krl [--slots N] [--interval MS] [--cache]", korvalis::krv::runBatch)
KRV_COMMAND("estimate", "LIST.krl [--all | --checked]", korvalis::krv::runEstimate)
