#include "batch/save_window_commands.h"

#include <algorithm>
#include <filesystem>

#include "batch/download_links.h"
#include "batch/file_naming.h"
#include "batch/save_list_file.h"
#include "platform/cp1252.h"
#include "platform/file_io.h"

namespace korvalis {

namespace {

constexpr std::string_view kWindowTitle = " Speichern...";
constexpr std::string_view kEstimateRunningTitle = " ESC = Abbrechen";
constexpr std::string_view kOverwriteQuestion =
    "Datei \xFC"
    "berschreiben?";
constexpr std::string_view kLinkDialogTitle = "DL-Links speichern";
constexpr std::string_view kListSaveTitle = "Speicherliste sichern";
constexpr std::string_view kListLoadTitle = "Speicherliste laden";
constexpr std::string_view kListFilter = "KRV-Speicherliste|*.krl";
constexpr std::string_view kListOpenFilter = "KRV-Speicherliste|*.KRL";
/// Largest save list read (a list of 99,999 rows takes about 10 MB).
constexpr std::uint64_t kListReadCap = std::uint64_t{256} << 20;

/// The file part of a UTF-8 path as Windows-1252 text for a message ("?" for characters it
/// cannot show).
std::string messageName(const std::filesystem::path& path) {
  return utf8ToCp1252Lossy(path.filename().string());
}

/// The extension of a path in lower case, without its dot.
std::string lowerExtension(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  if (!extension.empty()) {
    extension.erase(0, 1);
  }
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

std::string folderOf(const std::filesystem::path& path) {
  return path.parent_path().string();
}

enum class TargetChoice { Write, Again, Cancel };

/// Steps shared by the two save dialogs: the extension must be `wanted` (appended when there
/// is none); an existing file is only replaced after "Yes".
TargetChoice checkTarget(Platform& platform, std::string& path, std::string_view wanted,
                         std::string_view title) {
  std::string extension = lowerExtension(path);
  if (extension.empty()) {
    path += ".";
    path += wanted;
    extension = wanted;
  }
  if (extension != wanted) {
    return TargetChoice::Cancel;
  }
  std::error_code error;
  if (std::filesystem::exists(path, error) && !std::filesystem::is_directory(path, error)) {
    switch (platform.messageBox(title, kOverwriteQuestion, MessageSign::Question,
                                MessageButtons::YesNoCancel)) {
      case MessageAnswer::Yes:
        return TargetChoice::Write;
      case MessageAnswer::No:
        return TargetChoice::Again;
      default:
        return TargetChoice::Cancel;
    }
  }
  return TargetChoice::Write;
}

}  // namespace

SaveWindowCommands::SaveWindowCommands(Platform& platform, SaveWindowView& view,
                                       TransferEngine& engine, std::shared_ptr<EventTarget> target,
                                       SaveWindowSettings settings)
    : platform_(platform),
      view_(view),
      settings_(std::move(settings)),
      batch_(engine, list_, target, *this,
             BatchSettings{settings_.servicePrefix,
                           settings_.requestLimit,
                           settings_.slotCount,
                           settings_.retryDelays,
                           {}}),
      estimate_(engine, target, settings_.servicePrefix) {}

SaveWindowCommands::~SaveWindowCommands() = default;

void SaveWindowCommands::createLinks() {
  if (listBusy()) {
    return;
  }
  auto made = makeLinkRows(view_.fieldText(SaveField::Id), view_.fieldText(SaveField::From),
                           view_.fieldText(SaveField::To));
  if (const auto* message = std::get_if<std::string_view>(&made)) {
    platform_.message("Hinweis", *message, MessageSign::Warning);
    return;
  }
  view_.setControlEnabled(SaveControl::Start, false);
  view_.setControlEnabled(SaveControl::Stop, false);
  list_.replaceAll(std::move(std::get<std::vector<LinkRow>>(made)));
  view_.setControlEnabled(SaveControl::ToClipboard, false);
  view_.setControlEnabled(SaveControl::ToFile, false);
  view_.fitList();
}

void SaveWindowCommands::copyLinksToClipboard() {
  platform_.setClipboardText(linkText(list_.rows(), settings_.pagePrefix, settings_.pageSuffix));
}

void SaveWindowCommands::writeLinksToFile() {
  std::string path;
  for (;;) {
    const auto answer =
        platform_.saveFileDialog(kLinkDialogTitle, settings_.linkDir, "DL-Links (*.txt)|*.txt", "");
    if (!answer || answer->path.empty()) {
      return;
    }
    path = answer->path;
    const TargetChoice choice = checkTarget(platform_, path, "txt", kLinkDialogTitle);
    if (choice == TargetChoice::Cancel) {
      return;
    }
    if (choice == TargetChoice::Write) {
      break;
    }
  }
  std::size_t written = 0;
  const std::string text =
      linkText(list_.rows(), settings_.pagePrefix, settings_.pageSuffix, &written);
  if (!writeFileAtomically(path, text)) {
    platform_.message("Fehler!", "Datei " + messageName(path) + " konnte nicht geschrieben werden.",
                      MessageSign::Warning);
    return;
  }
  settings_.linkDir = folderOf(path);  // the next link file starts where this one went
  platform_.message("Fertig", linksWrittenMessage(written, list_.activeCount()),
                    MessageSign::Information);
}

void SaveWindowCommands::reset() {
  if (listBusy()) {
    return;
  }
  for (const SaveField field :
       {SaveField::Id, SaveField::From, SaveField::To, SaveField::Pattern}) {
    view_.setFieldText(field, "");
  }
  list_.clear();
  for (const SaveControl control :
       {SaveControl::ToClipboard, SaveControl::ToFile, SaveControl::Start, SaveControl::Stop}) {
    view_.setControlEnabled(control, false);
  }
}

bool SaveWindowCommands::openForEntry(std::string_view id, std::string_view pages) {
  if (listBusy()) {
    return false;
  }
  reset();
  view_.setFieldText(SaveField::Id, id);
  const std::size_t dash = pages.find('-');
  view_.setFieldText(SaveField::From, pages.substr(0, dash));
  view_.setFieldText(SaveField::To,
                     dash == std::string_view::npos ? std::string_view{} : pages.substr(dash + 1));
  return true;
}

void SaveWindowCommands::reportMissingEntry() {
  platform_.message("Achtung", "Ein Fehler ist aufgetreten\rBitte unbedingt melden!",
                    MessageSign::Warning);
}

void SaveWindowCommands::refreshSaveButtons() {
  bool links = false;
  bool start = false;
  if (!list_.empty() && list_.anyActiveChecked()) {
    links = true;
    start = !list_.row(0).fileName.empty();
  }
  view_.setControlEnabled(SaveControl::ToClipboard, links);
  view_.setControlEnabled(SaveControl::ToFile, links);
  view_.setControlEnabled(SaveControl::Start, start);
}

void SaveWindowCommands::setBatchRunning(bool running) {
  view_.setMainWindowEnabled(!running);
  for (const SaveControl control :
       {SaveControl::List, SaveControl::CreateLinks, SaveControl::ToClipboard, SaveControl::ToFile,
        SaveControl::Start, SaveControl::IdField, SaveControl::FromField, SaveControl::ToField,
        SaveControl::FolderButton, SaveControl::FolderField, SaveControl::PatternField,
        SaveControl::AssignNames}) {
    view_.setControlEnabled(control, !running);
  }
  view_.setControlEnabled(SaveControl::Stop, running);
  view_.setProgressValue(0);
  view_.showProgress(running);
}

void SaveWindowCommands::checkHighlighted() {
  const std::vector<std::size_t> highlighted = view_.highlightedRows();
  list_.updateAll([&highlighted](std::vector<LinkRow>& rows) {
    for (const std::size_t row : highlighted) {
      if (row < rows.size()) {
        rows[row].checked = true;
      }
    }
  });
  view_.clearHighlights();
  refreshSaveButtons();
}

void SaveWindowCommands::setAllChecks(bool checked) {
  view_.clearHighlights();
  list_.updateAll([checked](std::vector<LinkRow>& rows) {
    for (LinkRow& row : rows) {
      row.checked = checked;
    }
  });
}

void SaveWindowCommands::checkAll() {
  setAllChecks(true);
  refreshSaveButtons();
}

void SaveWindowCommands::checkNone() {
  setAllChecks(false);
  for (const SaveControl control :
       {SaveControl::ToClipboard, SaveControl::ToFile, SaveControl::Start}) {
    view_.setControlEnabled(control, false);
  }
}

void SaveWindowCommands::invertChecks() {
  view_.clearHighlights();
  list_.updateAll([](std::vector<LinkRow>& rows) {
    for (LinkRow& row : rows) {
      row.checked = !row.checked;
    }
  });
  refreshSaveButtons();
}

void SaveWindowCommands::saveListCommand() {
  if (list_.empty() || list_.row(0).fileName.empty()) {
    return;
  }
  saveSaveList();
}

void SaveWindowCommands::loadListCommand() {
  if (listBusy()) {
    return;
  }
  if (!list_.empty() &&
      platform_.messageBox("",
                           "Bestehende Liste \xFC"
                           "berschreiben?",
                           MessageSign::Question, MessageButtons::YesNo) != MessageAnswer::Yes) {
    return;
  }
  loadSaveList();
}

void SaveWindowCommands::saveSaveList() {
  std::string path;
  for (;;) {
    const auto answer =
        platform_.saveFileDialog(kListSaveTitle, settings_.saveListDir, kListFilter, "");
    if (!answer || answer->path.empty()) {
      return;
    }
    path = answer->path;
    settings_.saveListDir = folderOf(path);
    const TargetChoice choice = checkTarget(platform_, path, "krl", kListSaveTitle);
    if (choice == TargetChoice::Cancel) {
      return;
    }
    if (choice == TargetChoice::Write) {
      break;
    }
  }
  // Written whole under a temporary name: a failed write leaves the old file as it was.
  if (!writeFileAtomically(path, formatSaveList(list_.rows()))) {
    platform_.message("Fehler!", "Datei " + messageName(path) + " konnte nicht geschrieben werden!",
                      MessageSign::Warning);
    return;
  }
  platform_.message("Fertig", rowsWrittenMessage(savedRowCount(list_.rows())),
                    MessageSign::Information);
}

void SaveWindowCommands::loadSaveList() {
  const auto chosen =
      platform_.openFileDialog(kListLoadTitle, settings_.saveListDir, kListOpenFilter);
  if (!chosen || chosen->empty()) {
    return;
  }
  const std::filesystem::path path(*chosen);
  settings_.saveListDir = folderOf(path);
  if (lowerExtension(path) != "krl") {
    platform_.message("Fehler", "Das ist keine g\xFCltige Speicherliste!", MessageSign::Warning);
    return;
  }
  std::error_code error;
  if (!std::filesystem::exists(path, error)) {
    platform_.message("Fehler", "Datei " + messageName(path) + " konnte nicht geladen werden!",
                      MessageSign::Warning);
    return;
  }
  const auto bytes = readWholeFile(path, kListReadCap);
  // The dialogs ran event loops: a run may have started meanwhile.
  if (!bytes || listBusy()) {
    return;
  }
  list_.replaceAll(parseSaveList(*bytes));
  for (const SaveControl control :
       {SaveControl::ToClipboard, SaveControl::ToFile, SaveControl::Start}) {
    view_.setControlEnabled(control, true);
  }
}

const std::string& SaveWindowCommands::pageSaveDir() const {
  return settings_.sharedPageSaveDir != nullptr ? *settings_.sharedPageSaveDir
                                                : settings_.pageSaveDir;
}

void SaveWindowCommands::showTargetFolder() {
  view_.setFieldText(SaveField::Folder, pageSaveDir());
}

void SaveWindowCommands::chooseTargetFolder() {
  const auto folder =
      platform_.folderDialog("Wo sollen die Dokumente gespeichert werden?", pageSaveDir());
  if (!folder) {
    return;
  }
  if (!utf8ToCp1252(*folder)) {
    platform_.message("Hinweis", kNotStorableMessage, MessageSign::Warning);
    return;
  }
  std::string& target =
      settings_.sharedPageSaveDir != nullptr ? *settings_.sharedPageSaveDir : settings_.pageSaveDir;
  target = *folder;
  if (target.empty() || target.back() != '/') {
    target += '/';
  }
  showTargetFolder();
}

void SaveWindowCommands::assignFileNames() {
  if (listBusy()) {
    return;  // the run writes to the names it was started with
  }
  const std::string folderText = view_.fieldText(SaveField::Folder);
  const std::string patternText = view_.fieldText(SaveField::Pattern);
  const auto folder = utf8ToCp1252(folderText);
  const auto pattern = utf8ToCp1252(patternText);
  if (!folder || !pattern) {
    platform_.message("Hinweis", kNotStorableMessage, MessageSign::Warning);
    return;
  }
  const auto checked = checkNaming(list_.size(), *folder, *pattern);
  if (const auto* message = std::get_if<std::string_view>(&checked)) {
    platform_.message("Hinweis", *message, MessageSign::Warning);
    return;
  }
  const NamePattern& name = std::get<NamePattern>(checked);
  list_.updateAll([&](std::vector<LinkRow>& rows) { applyFileNames(rows, *folder, name); });
  view_.setControlEnabled(SaveControl::Start, list_.anyActiveChecked());
}

void SaveWindowCommands::startBatch() {
  if (batch_.running() || estimate_.running()) {
    return;
  }
  if (const auto refusal = startRefusal(checkTargetFiles(list_.rows()))) {
    platform_.message(refusal->title, refusal->text,
                      refusal->error ? MessageSign::Error : MessageSign::Warning);
    return;
  }
  if (!batch_.start()) {
    platform_.message("Achtung!", "Kein Eintrag gew\xE4hlt!", MessageSign::Warning);
    return;
  }
  setBatchRunning(true);
  view_.setProgressMaximum(batch_.progressMaximum());
  view_.setProgressValue(batch_.progressValue());
}

void SaveWindowCommands::stopBatch() {
  if (!batch_.running()) {
    return;
  }
  batch_.stop();
  setBatchRunning(false);
}

void SaveWindowCommands::rowStarted(std::size_t row) {
  view_.scrollToRow(row);
}

void SaveWindowCommands::progressChanged(int saved, int maximum) {
  view_.setProgressMaximum(maximum);
  view_.setProgressValue(saved);
}

void SaveWindowCommands::runFinished() {
  setBatchRunning(false);
}

void SaveWindowCommands::estimate(EstimateScope scope) {
  if (batch_.running() || estimate_.running()) {
    return;
  }
  scope_ = scope;
  setBatchRunning(true);
  view_.setControlEnabled(SaveControl::Start, false);
  view_.setControlEnabled(SaveControl::Stop, false);
  std::vector<std::string> references;
  if (scope == EstimateScope::Active) {
    const auto current = view_.currentRow();
    references.push_back(current && *current < list_.size() ? list_.row(*current).reference
                                                            : std::string());
  } else {
    for (const LinkRow& row : list_.rows()) {
      if (row.reference.empty()) {
        break;
      }
      if (scope == EstimateScope::All || row.checked) {
        references.push_back(row.reference);
      }
    }
    view_.setProgressMaximum(
        static_cast<int>(scope == EstimateScope::All ? list_.size() : references.size()));
    view_.showProgress(true);
    if (scope == EstimateScope::Checked && references.empty()) {
      platform_.message(kNothingCheckedTitle, kNothingCheckedMessage, MessageSign::Warning);
      finishEstimate(/*showResult=*/false);
      return;
    }
    view_.setTitle(kEstimateRunningTitle);
  }
  estimate_.start(std::move(references), list_.size());
  if (!estimate_.running()) {
    finishEstimate(/*showResult=*/true);
  }
}

void SaveWindowCommands::cancelEstimate() {
  if (estimate_.running()) {
    estimate_.cancel();
    finishEstimate(/*showResult=*/true);
  }
}

void SaveWindowCommands::finishEstimate(bool showResult) {
  view_.showProgress(false);
  if (showResult) {
    platform_.message(kEstimateTitle, estimateMessage(scope_, estimate_.totals()),
                      MessageSign::Information);
  }
  view_.setTitle(kWindowTitle);
  setBatchRunning(false);
  refreshSaveButtons();
  if (!list_.empty() && !list_.row(0).fileName.empty()) {
    view_.setControlEnabled(SaveControl::Start, true);
  }
}

void SaveWindowCommands::handleEvent(int code, std::uintptr_t data) {
  if (estimate_.handleEvent(code, data)) {
    view_.setProgressValue(static_cast<int>(estimate_.totals().examined));
    if (!estimate_.running()) {
      finishEstimate(/*showResult=*/true);
    }
    return;
  }
  batch_.handleEvent(code, data);
}

}  // namespace korvalis
