#pragma once

#include <string>

namespace korvalis {

/// One installed printer as the printing service describes it. Texts are UTF-8.
struct PrinterEntry {
  std::string name;          ///< the queue name the service knows the printer by
  std::string makeAndModel;  ///< the driver's description ("" when unknown)
  std::string deviceUri;     ///< where the printer is attached ("" when unknown)
};

/// The printer entry text: name, make and model, and device address, joined by ",".
std::string printerEntryText(const PrinterEntry& entry);

/// The stored orientation of a printer.
enum class PrinterOrientation { Portrait = 1, Landscape = 2 };

/// The page of a printer at its resolution, in the printer's stored orientation (a landscape
/// printer reports a page wider than tall).
struct PrinterPage {
  int width = 0;       ///< device pixels
  int height = 0;      ///< device pixels
  int resolution = 0;  ///< device pixels per inch
};

/// Where and how an image is drawn on the printer page, in device pixels from the sheet's
/// top-left corner. With `quarterTurn` the image is drawn turned a quarter counter-clockwise
/// (its old top-right corner at (x, y)), so it covers `height` x `width` on the sheet. The
/// sheet is printed in landscape with `landscapeSheet`, else in portrait.
struct PrintPlacement {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool quarterTurn = false;
  bool landscapeSheet = false;
};

/// How a print job ended.
enum class PrintOutcome {
  Printed,            ///< the page went to the printer
  JobNotStarted,      ///< the job could not be started or handed over
  DrawingNotStarted,  ///< the job started but the page could not be drawn on
};

}  // namespace korvalis
