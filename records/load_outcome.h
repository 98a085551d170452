#pragma once

namespace korvalis {

/// What loading a record file came to; the shell acts on it.
enum class LoadOutcome {
  Loaded,             ///< a file was read; rebuild the tree
  CancelledKeepData,  ///< the user cancelled the dialog; the previous data stays
  EndProgram,         ///< the program must end (cancel at start-up, "No", unreadable file)
};

}  // namespace korvalis
