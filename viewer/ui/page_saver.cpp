#include "viewer/ui/page_saver.h"

#include "viewer/ui/encoder_settings_window.h"

namespace korvalis {

PageSaver::PageSaver(Platform& platform, QWidget* parent, StatusSink setStatus,
                     PdfExportOpener openPdfExport)
    : platform_(platform),
      windowAsker_(std::make_unique<EncoderSettingsWindowAsker>(parent)),
      asker_(windowAsker_.get()),
      setStatus_(std::move(setStatus)),
      openPdfExport_(std::move(openPdfExport)) {}

PageSaver::~PageSaver() = default;

PageSaveResult PageSaver::saveDisplayedPage(const PageSource& source, std::string& lastDirectory) {
  const PageSaveServices services{platform_, *asker_,
                                  [this](std::string_view text) {
                                    if (setStatus_) {
                                      setStatus_(text);
                                    }
                                  },
                                  [this](const std::string& path, const PageSource& page) {
                                    if (openPdfExport_) {
                                      openPdfExport_(path, page);
                                    }
                                  }};
  return korvalis::saveDisplayedPage(services, source, lastDirectory);
}

}  // namespace korvalis
