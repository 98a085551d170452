#pragma once

#include <string>

#include "records/record_data.h"

namespace korvalis {

/// The record file the program works on: its data and where it came from. Owned by the
/// program's AppState; the record loader and the record windows work on it. The folder and
/// the base name are UTF-8, as on disk.
struct RecordSession {
  /// The sorted entries with the current entry, the search index and the header.
  RecordData records;
  /// Folder the record-file dialog starts in; ends with '/'.
  std::string recordDir;
  /// The loaded file's name without ".krv" (its end line); "" before the first load.
  std::string recordBaseName;
};

}  // namespace korvalis
