#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "batch/link_row.h"

namespace korvalis {

/// Messages of the naming and start checks (Windows-1252).
inline constexpr std::string_view kNoFolderMessage = "Bitte erst Speicherort ausw\xE4hlen.";
inline constexpr std::string_view kNoRowsMessage = "Zuerst m\xFCssen die DL-Links erstellt werden!";
inline constexpr std::string_view kPatternFormatMessage =
    "Bitte Format des Dateinamens \xFC"
    "berpr\xFC"
    "fen.";
inline constexpr std::string_view kWidthRangeMessage =
    "Stellenzahl des Z\xE4hlers mu\xDF im Bereich [1...5] liegen.";
inline constexpr std::string_view kWidthTooSmallMessage =
    "Stellenzahl reicht nicht f\xFCr die Anzahl der Eintr\xE4ge.";
/// A folder or name that holds characters a save list (Windows-1252) cannot store.
inline constexpr std::string_view kNotStorableMessage =
    "Der Name enth\xE4lt Zeichen, die in einer Speicherliste nicht gespeichert werden k\xF6nnen.\r"
    "Bitte nur Buchstaben des westeurop\xE4ischen Zeichensatzes verwenden.";

/// A file-name pattern "Name[width]" taken apart.
struct NamePattern {
  std::string name;  ///< text before the first "["
  int width = 0;     ///< digits of the counter, 1 to 5
};

/// Checks a pattern: it must match "*[#]"; the width (the number after the first "[" up to the
/// second "[") must lie in 1 to 5. A refused pattern gives its message.
std::variant<NamePattern, std::string_view> parseNamePattern(std::string_view pattern);

/// Checks the input of "Dateinamen übernehmen" for a list of `rowCount` rows: a folder must be
/// chosen, the list must have rows, the pattern must be valid and its width must be enough for
/// `rowCount`. A refused input gives its message. `folder` and `pattern` are Windows-1252.
std::variant<NamePattern, std::string_view> checkNaming(std::size_t rowCount,
                                                        std::string_view folder,
                                                        std::string_view pattern);

/// Gives every row from index 0 up to the first empty reference the file name folder + name +
/// (index + 1 as exactly `width` digits) + ".jpg", checked or not; the folder gets a trailing
/// "/" when it lacks one.
void applyFileNames(std::vector<LinkRow>& rows, std::string_view folder, const NamePattern& name);

/// The folder part of a row's file name, up to and including its last "/" ("" when none).
std::string_view folderPart(std::string_view fileName);
/// The file part of a row's file name, after its last "/".
std::string_view filePart(std::string_view fileName);

/// Results of checkTargetFiles besides a count of existing files.
inline constexpr std::int32_t kTargetsReady = -2;
inline constexpr std::int32_t kTargetFolderMissing = -1;
inline constexpr std::int32_t kTargetFolderUnresolved = 0;

/// Checks the targets of a run: 0 when the first row has no file name or folder, -1 when that
/// folder does not exist, else the number of checked rows (up to the first row without a file
/// name) whose file part already exists in the first row's folder, or -2 when none does.
/// Names are Windows-1252; the files on disk are looked up under their UTF-8 names.
std::int32_t checkTargetFiles(const std::vector<LinkRow>& rows);

/// The message a refused start shows for a checkTargetFiles result (nothing for -2): title
/// and text.
struct StartRefusal {
  std::string_view title;
  std::string text;
  bool error = false;  ///< error sign (else warning)
};
std::optional<StartRefusal> startRefusal(std::int32_t check);

}  // namespace korvalis
