#pragma once

#include <QPointer>
#include <QTextBrowser>
#include <QWidget>
#include <memory>

#include "platform/platform.h"
#include "platform/qt/cups_printing.h"

namespace korvalis {

/// The Platform on a real desktop: Qt message boxes and dialogs, the system clipboard, the
/// desktop's document handler and the screen and locale as Qt reports them. Needs a
/// QApplication; user-interface thread only.
/// Whether the desktop has a program that opens the file (UTF-8 path): xdg-open exists and,
/// where xdg-mime can be asked, it names a default program for the file's type.
bool hasDocumentHandler(std::string_view utf8Path);

/// Makes `window`, a window without a parent widget, belong to `owner`'s window: the window
/// manager keeps it above that window, and it stays enabled while that window is disabled.
void setWindowOwner(QWidget& window, QWidget& owner);

class QtPlatform : public Platform {
 public:
  QtPlatform() = default;

  /// The main window: dialogs and message boxes belong to it unless they are asked from
  /// another window of the program (the modal window in front, else the active window), and the
  /// help pages belong to it (none: centred on the screen). Dialogs are modal to the whole
  /// program either way.
  void setDialogParent(QWidget* parent) { parent_ = parent; }

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
  std::string clipboardText() override;
  void setClipboardImage(const Image& image) override;
  Image clipboardImage() override;
  bool openDocument(std::string_view path) override;
  void showHelpPages(std::string_view indexPath) override;
  /// The help window of showHelpPages() once it was opened, else nullptr.
  QTextBrowser* helpPagesWindow() const { return helpPages_.get(); }
  DisplayInfo displayInfo() override;
  char decimalSeparator() override;
  int timeZoneBiasMinutes() override;
  std::vector<PrinterEntry> listPrinters() override { return printing_.listPrinters(); }
  std::string defaultPrinterName() override { return printing_.defaultPrinterName(); }
  std::optional<PrinterPage> printerPage(std::string_view name) override {
    return printing_.printerPage(name);
  }
  bool setDefaultPrinter(std::string_view name) override {
    return printing_.setDefaultPrinter(name);
  }
  bool setPrinterOrientation(std::string_view printer, PrinterOrientation orientation) override {
    return printing_.setPrinterOrientation(printer, orientation);
  }
  PrintOutcome printImage(std::string_view printer, const Image& image,
                          const PrintPlacement& placement, std::string_view jobName) override {
    return printing_.printImage(printer, image, placement, jobName);
  }

 private:
  QWidget* dialogOwner() const;

  QPointer<QWidget> parent_;
  CupsPrinting printing_;
  std::unique_ptr<QTextBrowser> helpPages_;
};

}  // namespace korvalis
