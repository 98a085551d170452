// "Seite speichern" for the main window: the save command with the real settings window.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "viewer/page_saving.h"

class QWidget;

namespace korvalis {

class Platform;

/// Saves the shown page as BMP, JPEG or PNG, or hands a PDF name to the export window. The
/// main window makes one call per "Seite speichern" (also in crop view).
class PageSaver {
 public:
  using StatusSink = std::function<void(std::string_view text)>;
  using PdfExportOpener = std::function<void(const std::string& pdfPath, const PageSource&)>;

  /// `parent` owns the settings window; `setStatus` writes status field 0; `openPdfExport`
  /// opens the PDF export window for the chosen name.
  PageSaver(Platform& platform, QWidget* parent, StatusSink setStatus,
            PdfExportOpener openPdfExport);
  ~PageSaver();
  PageSaver(const PageSaver&) = delete;
  PageSaver& operator=(const PageSaver&) = delete;

  /// Runs the command for the page as shown. `lastDirectory` is where the save dialog starts;
  /// it becomes the folder of the saved file.
  PageSaveResult saveDisplayedPage(const PageSource& source, std::string& lastDirectory);

  /// Replaces the settings window (for a caller that answers it another way).
  void setSettingsAsker(EncoderSettingsAsker& asker) { asker_ = &asker; }

 private:
  Platform& platform_;
  std::unique_ptr<EncoderSettingsAsker> windowAsker_;
  EncoderSettingsAsker* asker_;
  StatusSink setStatus_;
  PdfExportOpener openPdfExport_;
};

}  // namespace korvalis
