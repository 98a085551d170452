#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/image.h"
#include "platform/printer.h"

namespace korvalis {

/// The sign a message box shows.
enum class MessageSign { None, Information, Warning, Error, Question };

/// The buttons a message box offers.
enum class MessageButtons { Ok, YesNo, YesNoCancel };

/// The button the user pressed.
enum class MessageAnswer { Ok, Yes, No, Cancel };

/// The answer of a save-file dialog: the chosen path (UTF-8) and the 0-based index of the
/// filter (label and pattern pair) that was selected.
struct SaveDialogAnswer {
  std::string path;
  int filterIndex = 0;
};

/// What the program needs to know about the display and system.
struct DisplayInfo {
  double dpiX = 96.0;           ///< horizontal resolution; below 1 when it cannot be read
  double dpiY = 96.0;           ///< vertical resolution; below 1 when it cannot be read
  std::string messageFontFace;  ///< the system's message font (UTF-8), "" when unknown
  int messageFontHeight = 0;    ///< its height in logical units (negative = character height)
};

/// The services the program takes from the desktop: dialogs, clipboard, the document handler
/// and system queries. The Qt implementation shows real windows; the scripted implementation
/// plays answers queued by a test and records what was shown.
///
/// Texts shown to the user (titles, messages, prompts, filters) are Windows-1252 bytes with a
/// single CR as line break, exactly as the program's messages are written; the implementation
/// converts them for display. File paths are UTF-8.
class Platform {
 public:
  virtual ~Platform() = default;

  /// Shows a modal message box and returns the pressed button.
  virtual MessageAnswer messageBox(std::string_view title, std::string_view text, MessageSign sign,
                                   MessageButtons buttons) = 0;
  MessageAnswer message(std::string_view title, std::string_view text, MessageSign sign) {
    return messageBox(title, text, sign, MessageButtons::Ok);
  }

  /// Open-file dialog. `filter` is "label|pattern|label|pattern…" as the program writes it.
  /// Returns the chosen path, or nothing when the user cancels.
  virtual std::optional<std::string> openFileDialog(std::string_view title,
                                                    std::string_view startDir,
                                                    std::string_view filter) = 0;

  /// Save-file dialog; `defaultName` is the proposed file name, `preselectedFilter` the
  /// 0-based entry of `filter` selected when the dialog opens.
  virtual std::optional<SaveDialogAnswer> saveFileDialog(std::string_view title,
                                                         std::string_view startDir,
                                                         std::string_view filter,
                                                         std::string_view defaultName,
                                                         int preselectedFilter = 0) = 0;

  /// Folder dialog; returns the chosen folder (without a trailing separator) or nothing.
  virtual std::optional<std::string> folderDialog(std::string_view title,
                                                  std::string_view startDir) = 0;

  /// The modal text-input requester. Bit 0 of `flags` centres the input text; (x, y) places the
  /// dialog unless both are 0. Returns "" when the user cancels or enters nothing.
  virtual std::string askText(std::string_view title, std::string_view prompt,
                              std::string_view defaultText, int flags, int x, int y) = 0;

  /// Clipboard text (Windows-1252 bytes).
  virtual void setClipboardText(std::string_view text) = 0;
  virtual std::string clipboardText() = 0;
  /// Clipboard image; clipboardImage() is a null image when the clipboard holds none.
  virtual void setClipboardImage(const Image& image) = 0;
  virtual Image clipboardImage() = 0;

  /// Opens a document (UTF-8 path) with the handler the desktop has registered for it.
  virtual bool openDocument(std::string_view path) = 0;
  /// Shows HTML help pages (UTF-8 path of the first page) in a window of the program, with
  /// their links followed inside it: for a desktop where no program opens them. A platform
  /// without windows shows nothing.
  virtual void showHelpPages(std::string_view /*indexPath*/) {}

  /// Resolution and message font of the screen the program runs on.
  virtual DisplayInfo displayInfo() = 0;

  /// The user's decimal separator ('.' or ',').
  virtual char decimalSeparator() = 0;

  /// The time-zone bias in minutes (UTC = local time + bias), as the system reports it.
  virtual int timeZoneBiasMinutes() = 0;

  // Printers. Names are UTF-8. The "default printer" is the user's own default.

  /// Every installed printer; empty when there is none or the service cannot be reached.
  virtual std::vector<PrinterEntry> listPrinters() = 0;
  /// The name of the default printer, "" when there is none.
  virtual std::string defaultPrinterName() = 0;
  /// The page of the named printer in its stored orientation; nothing when the printer
  /// cannot be opened.
  virtual std::optional<PrinterPage> printerPage(std::string_view name) = 0;
  /// Makes the named printer the default printer; false when that failed.
  virtual bool setDefaultPrinter(std::string_view name) = 0;
  /// Stores the orientation of the named printer; false when that failed.
  virtual bool setPrinterOrientation(std::string_view printer, PrinterOrientation orientation) = 0;
  /// Prints `image` on one page of the named printer (its default media, in the orientation
  /// `placement` names) as a job called `jobName`, placed as `placement` says and scaled by
  /// the printing service (no copy at device resolution).
  /// May be called from a worker thread; shows nothing itself.
  virtual PrintOutcome printImage(std::string_view printer, const Image& image,
                                  const PrintPlacement& placement, std::string_view jobName) = 0;
};

}  // namespace korvalis
