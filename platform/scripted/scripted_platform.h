#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace korvalis {

/// A Platform for tests: dialogs take the answers a test queued beforehand, in order, and every
/// message box and dialog is recorded with its exact texts so the test can read them back.
/// A dialog with no queued answer behaves as cancelled (message boxes: No, Cancel or Ok), and is
/// still recorded, so an unexpected dialog shows up in the record instead of blocking.
class ScriptedPlatform : public Platform {
 public:
  /// One message box as it was shown.
  struct ShownMessage {
    std::string title;
    std::string text;
    MessageSign sign = MessageSign::None;
    MessageButtons buttons = MessageButtons::Ok;
  };
  /// One file, folder or text dialog as it was shown.
  struct ShownDialog {
    std::string kind;  ///< "open", "save", "folder" or "text"
    std::string title;
    std::string startDir;  ///< start directory; the prompt for "text"
    std::string filter;    ///< filter; the default text for "text"
    std::string defaultName;
    int preselectedFilter = 0;  ///< "save": the filter entry selected at opening
  };

  /// One printer of the scripted printing service.
  struct ScriptedPrinter {
    PrinterEntry entry;
    PrinterPage page;  ///< the portrait page
    PrinterOrientation orientation = PrinterOrientation::Portrait;
    bool opens = true;  ///< false: the printer cannot be opened (no page size)
  };
  /// One page printed through printImage.
  struct PrintedPage {
    std::string printer;
    std::string jobName;
    int imageWidth = 0;
    int imageHeight = 0;
    PrintPlacement placement;
  };

  // Answers, consumed in order.
  void queueMessageAnswer(MessageAnswer answer) { messageAnswers_.push_back(answer); }
  void queueOpenFile(std::optional<std::string> path) { openAnswers_.push_back(std::move(path)); }
  void queueSaveFile(std::optional<SaveDialogAnswer> answer) {
    saveAnswers_.push_back(std::move(answer));
  }
  void queueFolder(std::optional<std::string> path) { folderAnswers_.push_back(std::move(path)); }
  void queueText(std::string text) { textAnswers_.push_back(std::move(text)); }

  // What was shown.
  const std::vector<ShownMessage>& messages() const { return messages_; }
  const std::vector<ShownDialog>& dialogs() const { return dialogs_; }
  const std::vector<std::string>& openedDocuments() const { return openedDocuments_; }
  /// The first pages given to showHelpPages(), in order.
  const std::vector<std::string>& helpPagesShown() const { return helpPagesShown_; }
  void clearRecord();
  /// Number of queued answers not yet used (a test can check that all were asked for).
  std::size_t pendingAnswers() const;

  // System answers a test may set.
  DisplayInfo display;
  char decimal = '.';
  int timeZoneBias = -60;
  bool openDocumentResult = true;
  /// Runs inside openFileDialog before it answers: what a test sees while the dialog is up.
  std::function<void()> whileOpenDialog;
  /// Runs inside saveFileDialog before it answers (a test lets a page arrive meanwhile).
  std::function<void()> whileSaveDialog;
  /// Runs inside every message box and dialog once it is recorded and before it takes its
  /// answer, as the event loop of a real modal dialog runs while it waits for the user. `kind`
  /// is "message" or the ShownDialog kind. A Qt test can spin an event loop here, so that
  /// answers and timers arrive while the dialog is open, and may queue the answer here too.
  /// Not set: every dialog answers at once.
  std::function<void(std::string_view kind)> modalWait;

  // The scripted printing service: its printers, the default's name, the outcome every print
  // job reports, and a hook run inside printImage (on the printing thread) before it returns.
  std::vector<ScriptedPrinter> printers;
  std::string defaultPrinter;
  PrintOutcome printOutcome = PrintOutcome::Printed;
  std::function<void()> whilePrinting;
  /// The pages printed so far (safe to read once the printing thread has ended).
  std::vector<PrintedPage> printedPages() const;

  MessageAnswer messageBox(std::string_view title, std::string_view text, MessageSign sign,
                           MessageButtons buttons) override;
  std::optional<std::string> openFileDialog(std::string_view title, std::string_view startDir,
                                            std::string_view filter) override;
  std::optional<SaveDialogAnswer> saveFileDialog(std::string_view title, std::string_view startDir,
                                                 std::string_view filter,
                                                 std::string_view defaultName,
                                                 int preselectedFilter = 0) override;
  std::optional<std::string> folderDialog(std::string_view title,
                                          std::string_view startDir) override;
  std::string askText(std::string_view title, std::string_view prompt, std::string_view defaultText,
                      int flags, int x, int y) override;
  void setClipboardText(std::string_view text) override;
  std::string clipboardText() override { return clipboardText_; }
  void setClipboardImage(const Image& image) override;
  Image clipboardImage() override { return clipboardImage_; }
  bool openDocument(std::string_view path) override;
  void showHelpPages(std::string_view indexPath) override;
  DisplayInfo displayInfo() override { return display; }
  char decimalSeparator() override { return decimal; }
  int timeZoneBiasMinutes() override { return timeZoneBias; }
  std::vector<PrinterEntry> listPrinters() override;
  std::string defaultPrinterName() override { return defaultPrinter; }
  std::optional<PrinterPage> printerPage(std::string_view name) override;
  bool setDefaultPrinter(std::string_view name) override;
  bool setPrinterOrientation(std::string_view printer, PrinterOrientation orientation) override;
  PrintOutcome printImage(std::string_view printer, const Image& image,
                          const PrintPlacement& placement, std::string_view jobName) override;

 private:
  void waitWhileOpen(std::string_view kind) const;

  std::deque<MessageAnswer> messageAnswers_;
  std::deque<std::optional<std::string>> openAnswers_;
  std::deque<std::optional<SaveDialogAnswer>> saveAnswers_;
  std::deque<std::optional<std::string>> folderAnswers_;
  std::deque<std::string> textAnswers_;
  std::vector<ShownMessage> messages_;
  std::vector<ShownDialog> dialogs_;
  std::vector<std::string> openedDocuments_;
  std::vector<std::string> helpPagesShown_;
  std::string clipboardText_;
  Image clipboardImage_;
  mutable std::mutex printedMutex_;
  std::vector<PrintedPage> printed_;
};

}  // namespace korvalis
