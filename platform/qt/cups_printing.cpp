#include "platform/qt/cups_printing.h"

#include <cups/cups.h>

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <memory>
#include <span>

#include "platform/qt/qt_image.h"

namespace korvalis {

namespace {

/// The destinations as the user sees them (server queues merged with the user's options).
class Destinations {
 public:
  Destinations() : count_(cupsGetDests2(CUPS_HTTP_DEFAULT, &dests_)) {}
  ~Destinations() { cupsFreeDests(count_, dests_); }
  Destinations(const Destinations&) = delete;
  Destinations& operator=(const Destinations&) = delete;

  std::span<cups_dest_t> all() { return {dests_, static_cast<std::size_t>(count_)}; }
  /// The printer itself (not one of its instances), or null.
  cups_dest_t* find(std::string_view name) {
    return cupsGetDest(std::string(name).c_str(), nullptr, count_, dests_);
  }
  cups_dest_t* defaultDest() {
    for (cups_dest_t& d : all()) {
      if (d.is_default != 0 && d.instance == nullptr) {
        return &d;
      }
    }
    return nullptr;
  }
  /// Writes the user's options back (the default and every option the user set).
  bool save() { return cupsSetDests2(CUPS_HTTP_DEFAULT, count_, dests_) == 0; }

 private:
  cups_dest_t* dests_ = nullptr;
  int count_ = 0;
};

std::string option(const cups_dest_t& dest, const char* name) {
  const char* value = cupsGetOption(name, dest.num_options, dest.options);
  return value != nullptr ? value : "";
}

/// The stored orientation: IPP's orientation-requested 4 (landscape) or 5 (reverse landscape),
/// or the older "landscape" option.
bool storedLandscape(std::string_view name) {
  Destinations dests;
  const cups_dest_t* dest = dests.find(name);
  if (dest == nullptr) {
    return false;
  }
  const std::string requested = option(*dest, "orientation-requested");
  return requested == "4" || requested == "5" ||
         cupsGetOption("landscape", dest->num_options, dest->options) != nullptr;
}

/// A printer set up as the program prints on it: its default media in the given orientation,
/// the whole sheet addressable (device pixels count from the paper's corner). Null when the
/// printer is unknown.
std::unique_ptr<QPrinter> openPrinter(std::string_view name, bool landscape) {
  const QPrinterInfo info = QPrinterInfo::printerInfo(
      QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
  if (info.isNull()) {
    return nullptr;
  }
  auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
  // Device pixels are the printer's own: its finest resolution where the driver names any.
  const QList<int> resolutions = info.supportedResolutions();
  if (!resolutions.isEmpty()) {
    printer->setResolution(*std::max_element(resolutions.begin(), resolutions.end()));
  }
  QPageSize media = info.defaultPageSize();
  if (!media.isValid()) {
    media = QPageSize(QPageSize::A4);
  }
  const QPageLayout::Orientation orientation =
      landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
  printer->setFullPage(true);
  printer->setPageLayout(QPageLayout(media, orientation, QMarginsF()));
  return printer;
}

}  // namespace

std::vector<PrinterEntry> CupsPrinting::listPrinters() const {
  Destinations dests;
  std::vector<PrinterEntry> entries;
  for (const cups_dest_t& d : dests.all()) {
    if (d.instance == nullptr) {
      entries.push_back({d.name, option(d, "printer-make-and-model"), option(d, "device-uri")});
    }
  }
  return entries;
}

std::string CupsPrinting::defaultPrinterName() const {
  Destinations dests;
  const cups_dest_t* dest = dests.defaultDest();
  return dest != nullptr ? dest->name : "";
}

std::optional<PrinterPage> CupsPrinting::printerPage(std::string_view name) const {
  const auto printer = openPrinter(name, storedLandscape(name));
  if (!printer || !printer->isValid()) {
    return std::nullopt;
  }
  const int resolution = printer->resolution();
  const QRect full = printer->pageLayout().fullRectPixels(resolution);
  return PrinterPage{full.width(), full.height(), resolution};
}

bool CupsPrinting::setDefaultPrinter(std::string_view name) const {
  Destinations dests;
  const cups_dest_t* chosen = dests.find(name);
  if (chosen == nullptr) {
    return false;
  }
  for (cups_dest_t& d : dests.all()) {
    d.is_default = &d == chosen ? 1 : 0;
  }
  return dests.save();
}

bool CupsPrinting::setPrinterOrientation(std::string_view printer,
                                         PrinterOrientation orientation) const {
  Destinations dests;
  cups_dest_t* dest = dests.find(printer);
  if (dest == nullptr) {
    return false;
  }
  dest->num_options = cupsRemoveOption("landscape", dest->num_options, &dest->options);
  dest->num_options = cupsAddOption("orientation-requested",
                                    orientation == PrinterOrientation::Landscape ? "4" : "3",
                                    dest->num_options, &dest->options);
  return dests.save();
}

PrintOutcome CupsPrinting::printImage(std::string_view printerName, const Image& image,
                                      const PrintPlacement& placement,
                                      std::string_view jobName) const {
  const auto printer = openPrinter(printerName, placement.landscapeSheet);
  if (!printer || !printer->isValid()) {
    return PrintOutcome::JobNotStarted;
  }
  if (image.isNull() || placement.width <= 0 || placement.height <= 0) {
    return PrintOutcome::DrawingNotStarted;
  }
  printer->setDocName(QString::fromUtf8(jobName.data(), static_cast<qsizetype>(jobName.size())));
  printer->setCreator(QStringLiteral("Korvalis"));
  QPainter painter;
  if (!painter.begin(printer.get())) {
    return PrintOutcome::JobNotStarted;
  }
  // The painter scales the page image itself: no copy at device resolution is made, which at
  // 1,200 dpi would take hundreds of megabytes.
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.translate(placement.x, placement.y);
  if (placement.quarterTurn) {
    // A quarter turn counter-clockwise: the image's top-right corner lands on (x, y).
    painter.translate(0, placement.width);
    painter.rotate(-90);
  }
  painter.drawImage(QRectF(0, 0, placement.width, placement.height), wrapImage(image));
  if (!painter.end() || printer->printerState() == QPrinter::Error) {
    return PrintOutcome::JobNotStarted;
  }
  return PrintOutcome::Printed;
}

}  // namespace korvalis
