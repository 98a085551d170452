#pragma once

#include <string>
#include <string_view>

#include "records/load_outcome.h"

namespace korvalis {

class Platform;
struct RecordSession;

/// The result of the record-file dialog.
struct ChosenRecordFile {
  std::string path;      ///< the valid file chosen (UTF-8); "" when the user cancelled
  bool refused = false;  ///< the user refused to choose again after an invalid file
};

/// Runs the open-file dialog ("Datendatei laden:", start in state.recordDir, filter
/// "Datendatei | *.krv") and the validity rule until the user picks a valid file or cancels.
/// For an invalid file asks "Das sind keine gültige Daten.\rNochmal auswählen?" (Yes/No); No
/// sets refused. On a valid file sets session.recordBaseName and session.recordDir.
/// A non-empty `firstCandidate` (a file named on the command line) is checked first, as if it
/// had been chosen in the dialog: valid, it is taken without a dialog; invalid, the question
/// is asked and Yes opens the dialog.
ChosenRecordFile chooseRecordFile(Platform& platform, RecordSession& session,
                                  std::string_view firstCandidate = {});

/// Chooses a file and reads it into session.records (entries sorted, index built, header kept).
/// Cancelled or "No" to choosing again with data loaded: CancelledKeepData, nothing changes.
/// Cancelled or "No" with no data, or a file that cannot be read (after the message "Die
/// Dateidatei kann nicht geladen werden.\r\rDas Programm wird beendet."): EndProgram.
/// `firstCandidate` as for chooseRecordFile.
LoadOutcome loadRecordFile(Platform& platform, RecordSession& session,
                           std::string_view firstCandidate = {});

}  // namespace korvalis
