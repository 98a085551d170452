// Checks of the files the program writes for the monkey: a page saved by "Seite speichern"
// (BMP, JPEG, PNG, or PDF through the export window) holds the page shown at the click, or
// nothing was written; at the end no temporary file is left and no file under a final name is
// partial.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/image.h"

namespace korvalis::monkey {

/// The page as the user saw it when clicking "Seite speichern".
struct ShownPage {
  std::optional<std::vector<std::uint8_t>> keptBytes;  ///< the download, when kept
  Image pageImage;
  Image displayImage;
  bool zoomOrCrop = false;
  /// The image a re-encoding save writes.
  const Image& imageToEncode() const { return zoomOrCrop ? displayImage : pageImage; }
};

enum class SavedFormat { Bmp, Jpeg, Png, Pdf };

/// One save the monkey asked for.
struct ExpectedSave {
  std::filesystem::path path;
  SavedFormat format = SavedFormat::Jpeg;
  ShownPage shown;
  /// The colour/quality option picked in the settings window; -1 when none was shown.
  int settingsPick = -1;
};

/// "film" + 7 digits and "fram" + 5 digits at bytes 24..48 of the test archive's JPEGs, as
/// "FILM:PAGE"; "" for other bytes.
std::string pageIdentity(const std::vector<std::uint8_t>& bytes);

/// Nothing when the file at `save.path` holds the shown page or does not exist; otherwise
/// what is wrong with it.
std::optional<std::string> checkSavedPage(const ExpectedSave& save);

/// Every temporary file left in `folder` (and below) and every file under a final name that
/// is empty or a cut-off archive page.
std::vector<std::string> leftoverFiles(const std::filesystem::path& folder);

}  // namespace korvalis::monkey
