#include "platform/scripted/scripted_platform.h"

#include <algorithm>
#include <utility>

namespace korvalis {

namespace {
template <typename Printers>
auto findPrinter(Printers& printers, std::string_view name) {
  return std::find_if(printers.begin(), printers.end(),
                      [&](const auto& p) { return p.entry.name == name; });
}

template <typename Queue, typename Value>
Value takeOr(Queue& queue, Value fallback) {
  if (queue.empty()) {
    return fallback;
  }
  Value value = std::move(queue.front());
  queue.pop_front();
  return value;
}
}  // namespace

void ScriptedPlatform::clearRecord() {
  messages_.clear();
  dialogs_.clear();
  openedDocuments_.clear();
}

std::size_t ScriptedPlatform::pendingAnswers() const {
  return messageAnswers_.size() + openAnswers_.size() + saveAnswers_.size() +
         folderAnswers_.size() + textAnswers_.size();
}

void ScriptedPlatform::waitWhileOpen(std::string_view kind) const {
  if (modalWait) {
    modalWait(kind);
  }
}

MessageAnswer ScriptedPlatform::messageBox(std::string_view title, std::string_view text,
                                           MessageSign sign, MessageButtons buttons) {
  messages_.push_back({std::string(title), std::string(text), sign, buttons});
  waitWhileOpen("message");
  const MessageAnswer fallback = buttons == MessageButtons::YesNo         ? MessageAnswer::No
                                 : buttons == MessageButtons::YesNoCancel ? MessageAnswer::Cancel
                                                                          : MessageAnswer::Ok;
  return takeOr(messageAnswers_, fallback);
}

std::optional<std::string> ScriptedPlatform::openFileDialog(std::string_view title,
                                                            std::string_view startDir,
                                                            std::string_view filter) {
  dialogs_.push_back({"open", std::string(title), std::string(startDir), std::string(filter), {}});
  if (whileOpenDialog) {
    whileOpenDialog();
  }
  waitWhileOpen("open");
  return takeOr(openAnswers_, std::optional<std::string>{});
}

std::optional<SaveDialogAnswer> ScriptedPlatform::saveFileDialog(std::string_view title,
                                                                 std::string_view startDir,
                                                                 std::string_view filter,
                                                                 std::string_view defaultName,
                                                                 int preselectedFilter) {
  dialogs_.push_back({"save", std::string(title), std::string(startDir), std::string(filter),
                      std::string(defaultName), preselectedFilter});
  waitWhileOpen("save");
  if (whileSaveDialog) {
    whileSaveDialog();
  }
  return takeOr(saveAnswers_, std::optional<SaveDialogAnswer>{});
}

std::optional<std::string> ScriptedPlatform::folderDialog(std::string_view title,
                                                          std::string_view startDir) {
  dialogs_.push_back({"folder", std::string(title), std::string(startDir), {}, {}});
  waitWhileOpen("folder");
  return takeOr(folderAnswers_, std::optional<std::string>{});
}

std::string ScriptedPlatform::askText(std::string_view title, std::string_view prompt,
                                      std::string_view defaultText, int /*flags*/, int /*x*/,
                                      int /*y*/) {
  dialogs_.push_back(
      {"text", std::string(title), std::string(prompt), std::string(defaultText), {}});
  waitWhileOpen("text");
  return takeOr(textAnswers_, std::string{});
}

void ScriptedPlatform::setClipboardText(std::string_view text) {
  clipboardText_ = std::string(text);
  clipboardImage_ = Image{};
}

void ScriptedPlatform::setClipboardImage(const Image& image) {
  clipboardImage_ = image;
  clipboardText_.clear();
}

bool ScriptedPlatform::openDocument(std::string_view path) {
  openedDocuments_.emplace_back(path);
  return openDocumentResult;
}

void ScriptedPlatform::showHelpPages(std::string_view indexPath) {
  helpPagesShown_.emplace_back(indexPath);
}

}  // namespace korvalis

namespace korvalis {

std::vector<PrinterEntry> ScriptedPlatform::listPrinters() {
  std::vector<PrinterEntry> entries;
  for (const ScriptedPrinter& p : printers) {
    entries.push_back(p.entry);
  }
  return entries;
}

std::optional<PrinterPage> ScriptedPlatform::printerPage(std::string_view name) {
  const auto it = findPrinter(printers, name);
  if (it == printers.end() || !it->opens) {
    return std::nullopt;
  }
  PrinterPage page = it->page;
  if (it->orientation == PrinterOrientation::Landscape) {
    std::swap(page.width, page.height);
  }
  return page;
}

bool ScriptedPlatform::setDefaultPrinter(std::string_view name) {
  if (findPrinter(printers, name) == printers.end()) {
    return false;
  }
  defaultPrinter = std::string(name);
  return true;
}

bool ScriptedPlatform::setPrinterOrientation(std::string_view printer,
                                             PrinterOrientation orientation) {
  const auto it = findPrinter(printers, printer);
  if (it == printers.end()) {
    return false;
  }
  it->orientation = orientation;
  return true;
}

PrintOutcome ScriptedPlatform::printImage(std::string_view printer, const Image& image,
                                          const PrintPlacement& placement,
                                          std::string_view jobName) {
  PrintedPage printed{std::string(printer), std::string(jobName), image.width(), image.height(),
                      placement};
  if (whilePrinting) {
    whilePrinting();
  }
  if (printOutcome == PrintOutcome::Printed) {
    const std::lock_guard lock(printedMutex_);
    printed_.push_back(std::move(printed));
  }
  return printOutcome;
}

std::vector<ScriptedPlatform::PrintedPage> ScriptedPlatform::printedPages() const {
  const std::lock_guard lock(printedMutex_);
  return printed_;
}

}  // namespace korvalis
