#include "platform/printer.h"

namespace korvalis {

std::string printerEntryText(const PrinterEntry& entry) {
  return entry.name + "," + entry.makeAndModel + "," + entry.deviceUri;
}

}  // namespace korvalis
