#include "platform/scripted/scripted_platform.h"

namespace korvalis {

namespace {
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

MessageAnswer ScriptedPlatform::messageBox(std::string_view title, std::string_view text,
                                           MessageSign sign, MessageButtons buttons) {
  messages_.push_back({std::string(title), std::string(text), sign, buttons});
  const MessageAnswer fallback = buttons == MessageButtons::YesNo         ? MessageAnswer::No
                                 : buttons == MessageButtons::YesNoCancel ? MessageAnswer::Cancel
                                                                          : MessageAnswer::Ok;
  return takeOr(messageAnswers_, fallback);
}

std::optional<std::string> ScriptedPlatform::openFileDialog(std::string_view title,
                                                            std::string_view startDir,
                                                            std::string_view filter) {
  dialogs_.push_back({"open", std::string(title), std::string(startDir), std::string(filter), {}});
  return takeOr(openAnswers_, std::optional<std::string>{});
}

std::optional<SaveDialogAnswer> ScriptedPlatform::saveFileDialog(std::string_view title,
                                                                 std::string_view startDir,
                                                                 std::string_view filter,
                                                                 std::string_view defaultName) {
  dialogs_.push_back({"save", std::string(title), std::string(startDir), std::string(filter),
                      std::string(defaultName)});
  return takeOr(saveAnswers_, std::optional<SaveDialogAnswer>{});
}

std::optional<std::string> ScriptedPlatform::folderDialog(std::string_view title,
                                                          std::string_view startDir) {
  dialogs_.push_back({"folder", std::string(title), std::string(startDir), {}, {}});
  return takeOr(folderAnswers_, std::optional<std::string>{});
}

std::string ScriptedPlatform::askText(std::string_view title, std::string_view prompt,
                                      std::string_view defaultText, int /*flags*/, int /*x*/,
                                      int /*y*/) {
  dialogs_.push_back(
      {"text", std::string(title), std::string(prompt), std::string(defaultText), {}});
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

}  // namespace korvalis
