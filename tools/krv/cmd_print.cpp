// krv printers and krv print: the printer entries, and one page printed as the print window
// prints it (A4 arithmetic on the printer's portrait page, 15 mm margins by default).
#include <QGuiApplication>
#include <cstdio>
#include <iostream>
#include <optional>
#include <utility>

#include "platform/qt/cups_printing.h"
#include "print/print_layout.h"
#include "tools/krv/command.h"
#include "tools/krv/margin_list.h"
#include "tools/krv/print_commands.h"
#include "viewer/image_codec.h"

namespace {

using korvalis::krv::kOk;
using korvalis::krv::kRefused;
using korvalis::krv::kUsage;

/// Qt's printing needs a GUI application object; krv runs without a desktop, so the offscreen
/// platform is taken unless the caller chose one.
class PrintingApplication {
  static bool chooseOffscreen() {
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || qputenv("QT_QPA_PLATFORM", "offscreen");
  }

  bool platformChosen_ = chooseOffscreen();
  int argc_ = 1;
  char name_[4] = "krv";
  char* argv_[2] = {name_, nullptr};
  QGuiApplication app_{argc_, argv_};
};

int runPrinters(std::span<const std::string> args) {
  if (!args.empty()) {
    std::cerr << "usage: krv printers\n";
    return kUsage;
  }
  const PrintingApplication app;
  const korvalis::CupsPrinting printing;
  const auto printers = printing.listPrinters();
  if (printers.empty()) {
    std::cerr << "krv printers: No printer installed\n";
    return kRefused;
  }
  const std::string defaultName = printing.defaultPrinterName();
  for (const korvalis::PrinterEntry& p : printers) {
    std::cout << (p.name == defaultName ? "* " : "  ") << korvalis::printerEntryText(p) << "\n";
  }
  return kOk;
}

struct PrintArguments {
  std::string image;
  std::optional<std::string> printer;
  korvalis::PrintMargins margins;
  bool turned = false;
};

std::optional<PrintArguments> parsePrintArguments(std::span<const std::string> args) {
  PrintArguments parsed;
  bool haveImage = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--turned") {
      parsed.turned = true;
    } else if (args[i] == "--printer" && i + 1 < args.size()) {
      parsed.printer = args[++i];
    } else if (args[i] == "--margins" && i + 1 < args.size()) {
      const auto m = korvalis::krv::parseMarginList(args[++i]);
      if (!m) {
        return std::nullopt;
      }
      parsed.margins = {(*m)[0], (*m)[1], (*m)[2], (*m)[3]};
    } else if (!haveImage && !args[i].starts_with("--")) {
      parsed.image = args[i];
      haveImage = true;
    } else {
      return std::nullopt;
    }
  }
  if (!haveImage) {
    return std::nullopt;
  }
  return parsed;
}

int runPrint(std::span<const std::string> args) {
  const auto parsed = parsePrintArguments(args);
  if (!parsed) {
    std::cerr << "usage: krv print IMAGE [--printer NAME] [--margins T,L,R,B] [--turned]\n";
    return kUsage;
  }
  const auto decoded = korvalis::decodeImageFile(parsed->image);
  if (!decoded.ok()) {
    std::cerr << "krv print: " << parsed->image << ": " << decoded.error << "\n";
    return kRefused;
  }
  const PrintingApplication app;
  const korvalis::CupsPrinting printing;
  const std::string printer = parsed->printer.value_or(printing.defaultPrinterName());
  const auto page = printer.empty() ? std::nullopt : printing.printerPage(printer);
  if (!page) {
    std::cerr << "krv print: Drucker nicht bereit.\n";
    return kRefused;
  }
  // The window prints on a portrait sheet (it stores portrait for the printer first); krv
  // leaves the printer's stored options alone and lays the page out in portrait itself.
  korvalis::PrintLayout layout;
  layout.pageWidth = std::min(page->width, page->height);
  layout.pageHeight = std::max(page->width, page->height);
  layout.setMargins(parsed->margins);
  layout.imageWidth = decoded.image.width();
  layout.imageHeight = decoded.image.height();
  layout.turned = parsed->turned ? 1 : 0;
  korvalis::updatePrintLayout(layout);
  if (layout.printWidth <= 0 || layout.printHeight <= 0) {
    std::cerr << "krv print: the margins leave no room for the image\n";
    return kRefused;
  }
  switch (
      printing.printImage(printer, decoded.image, korvalis::printPlacement(layout), "Korvalis")) {
    case korvalis::PrintOutcome::Printed:
      return kOk;
    case korvalis::PrintOutcome::JobNotStarted:
      std::cerr << "krv print: Drucker nicht bereit?\n";
      return kRefused;
    case korvalis::PrintOutcome::DrawingNotStarted:
      break;
  }
  std::cerr << "krv print: Drucker nicht bereit.\n";
  return kRefused;
}

}  // namespace

KRV_COMMAND(korvalis::krv::kPrintersCommand, korvalis::krv::kPrintersUsage, runPrinters)
KRV_COMMAND(korvalis::krv::kPrintCommand, korvalis::krv::kPrintUsage, runPrint)
