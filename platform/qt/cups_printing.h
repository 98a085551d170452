#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/image.h"
#include "platform/printer.h"

namespace korvalis {

/// The printing service on CUPS, reached the way every CUPS client reaches it (CUPS_SERVER,
/// client.conf). Printers, their descriptions and the default come from the scheduler's
/// destinations as the user sees them; the default printer and the stored orientation are the
/// user's own options (the lpoptions file CUPS keeps per user, as `lpoptions -d` and
/// `lpoptions -p NAME -o orientation-requested=…` write them). Pages are laid out and printed
/// through Qt PrintSupport at the printer's resolution, on the printer's own default media.
/// Needs a QGuiApplication; printImage may run on any thread.
class CupsPrinting {
 public:
  std::vector<PrinterEntry> listPrinters() const;
  std::string defaultPrinterName() const;
  std::optional<PrinterPage> printerPage(std::string_view name) const;
  bool setDefaultPrinter(std::string_view name) const;
  bool setPrinterOrientation(std::string_view printer, PrinterOrientation orientation) const;
  PrintOutcome printImage(std::string_view printer, const Image& image,
                          const PrintPlacement& placement, std::string_view jobName) const;
};

}  // namespace korvalis
