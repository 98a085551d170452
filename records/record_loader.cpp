#include "records/record_loader.h"

#include <filesystem>
#include <utility>

#include "platform/file_io.h"
#include "platform/platform.h"
#include "records/record_file.h"
#include "records/record_session.h"

namespace korvalis {
namespace {

constexpr std::string_view kDialogTitle = "Datendatei laden:";
constexpr std::string_view kFilter = "Datendatei | *.krv";
constexpr std::string_view kInvalidQuestion =
    "Das sind keine g\xFCltige Daten.\rNochmal ausw\xE4hlen?";
constexpr std::string_view kTooLargeQuestion =
    "Die Datendatei ist gr\xF6\xDF"
    "er als 2 GB und kann nicht geladen werden.\r"
    "Nochmal ausw\xE4hlen?";
constexpr std::string_view kFatalMessage =
    "Die Dateidatei kann nicht geladen werden.\r\rDas Programm wird beendet.";
constexpr std::size_t kExtensionLength = 4;  // ".krv"

/// The directory part of `path` with a trailing separator ("" for a bare name).
std::string directoryOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

ChosenRecordFile chooseRecordFile(Platform& platform, RecordSession& session,
                                  std::string_view firstCandidate) {
  std::optional<std::string> candidate;
  if (!firstCandidate.empty()) {
    candidate = std::string(firstCandidate);
  }
  while (true) {
    const std::optional<std::string> chosen =
        candidate ? std::exchange(candidate, std::nullopt)
                  : platform.openFileDialog(kDialogTitle, session.recordDir, kFilter);
    if (!chosen || chosen->empty()) {
      return {};
    }
    const std::string dir = directoryOf(*chosen);
    const std::string name = chosen->substr(dir.size());
    // The name without its extension; a name too short for one cannot be a record file.
    const std::string baseName =
        name.size() > kExtensionLength ? name.substr(0, name.size() - kExtensionLength) : "";
    const RecordFileCheck check =
        baseName.empty() ? RecordFileCheck{}
                         : checkRecordFile(std::filesystem::path(*chosen), recordEndLine(baseName));
    if (check.valid) {
      session.recordBaseName = baseName;
      session.recordDir = dir;
      return {*chosen, false};
    }
    const std::string_view question = check.tooLarge ? kTooLargeQuestion : kInvalidQuestion;
    if (platform.messageBox("Fehler!", question, MessageSign::Warning, MessageButtons::YesNo) !=
        MessageAnswer::Yes) {
      return {"", true};
    }
  }
}

LoadOutcome loadRecordFile(Platform& platform, RecordSession& session,
                           std::string_view firstCandidate) {
  const ChosenRecordFile chosen = chooseRecordFile(platform, session, firstCandidate);
  // "No" to choosing again ends the program only at start-up: with a record file loaded it is
  // a cancel, so the user's work (a save list, a running batch) goes on with the loaded file.
  if (chosen.path.empty()) {
    return session.records.list.empty() ? LoadOutcome::EndProgram : LoadOutcome::CancelledKeepData;
  }
  std::optional<std::string> bytes =
      readWholeFile(std::filesystem::path(chosen.path), kMaxRecordFileBytes);
  if (!bytes) {
    platform.message("Schwerer Fehler!", kFatalMessage, MessageSign::Error);
    return LoadOutcome::EndProgram;
  }
  const std::uint64_t generation = session.records.generation + 1;
  session.records = parseRecordBytes(*std::move(bytes), recordEndLine(session.recordBaseName));
  session.records.generation = generation;
  return LoadOutcome::Loaded;
}

}  // namespace korvalis
