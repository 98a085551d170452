// "Seite speichern": the save dialog's filter and forced extensions, the encoder-settings
// choices, what gets written, and the whole command over the Platform's dialogs.
#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "viewer/image_codec.h"
#include "viewer/page_source.h"

namespace korvalis {

class Platform;

/// The file types of the save dialog, in the order of its filter.
enum class PageFileType { Bmp, Jpeg, Png, Pdf };

/// The save dialog's title, filter (label and pattern pairs) and preselected entry (JPG).
inline constexpr std::string_view kSavePageTitle = "Angezeigte Seite speichern...";
inline constexpr std::string_view kSavePageFilter =
    "KRV-Dokument (BMP)|*.bmp|KRV-Dokument (JPG)|*.jpg|KRV-Dokument (PNG)|*.png|"
    "KRV-Dokument (PDF)|*.pdf";
inline constexpr int kSavePagePreselectedFilter = 1;

/// Status texts and the failure message of the command (Windows-1252).
inline constexpr std::string_view kUnsupportedTypeStatus = "Dateityp nicht unterst\xFCtzt!";
inline constexpr std::string_view kSaveFailedStatus = "Fehler!";
inline constexpr std::string_view kSaveFailedTitle = "Fehler!";

/// The type of a filter index of the save dialog; nothing for an index outside 0..3.
std::optional<PageFileType> pageFileTypeForFilter(int filterIndex);

/// The encoder of a type (PDF has none: it goes to the export window).
std::optional<SaveType> encoderForFileType(PageFileType type);

/// Appends the type's extension (".bmp", ".jpg", ".png", ".pdf") unless the name already ends
/// in it, compared upper-cased: "Seite.PNG" stays, "Seite" becomes "Seite.png", "Seite.jpeg"
/// becomes "Seite.jpeg.jpg".
std::string withForcedExtension(std::string_view path, PageFileType type);

/// The message text of a failed save: Konnte "FULL NAME" nicht speichern! (the UTF-8 path is
/// converted to Windows-1252; characters it cannot hold become '?').
std::string saveFailedMessage(std::string_view path);

/// One option of the encoder-settings window.
struct EncoderOption {
  std::string_view text;
  EncoderSettings settings;
};

/// The encoder-settings window for a type: its title, its four options from top to bottom and
/// the 0-based option checked when it opens (the second; the fourth when a JPEG is asked for
/// while the page's downloaded bytes are kept).
struct EncoderSettingsChoice {
  std::string_view title;
  std::array<EncoderOption, 4> options;
  int preselected = 1;
};
EncoderSettingsChoice encoderSettingsChoice(SaveType type, bool keptBytes);

/// Asks the user for the encoder settings (the colour-depth or quality window). Nothing when
/// the user cancels.
class EncoderSettingsAsker {
 public:
  virtual ~EncoderSettingsAsker() = default;
  virtual std::optional<EncoderSettings> askEncoderSettings(SaveType type, bool keptBytes) = 0;
};

/// Writes the page to `path` as `type` (BMP, JPEG or PNG): the kept downloaded bytes unchanged
/// when they are what gets written and the type is JPEG, otherwise the image to encode,
/// encoded with `settings`. The file is replaced atomically: on any failure an existing file of
/// that name is left as it was. False when there is nothing to write or writing failed.
bool writePageFile(const PageSource& source, SaveType type, const EncoderSettings& settings,
                   const std::filesystem::path& path);

/// How one "Seite speichern" ended.
enum class PageSaveResult { Cancelled, Saved, HandedToPdfExport, Unsupported, Failed };

/// The services the command uses: the Platform's dialogs and message boxes, the settings
/// window, status field 0 and the PDF export window (which takes over for PDF).
struct PageSaveServices {
  Platform& platform;
  EncoderSettingsAsker& settings;
  std::function<void(std::string_view text)> setStatus;
  std::function<void(const std::string& pdfPath, const PageSource& source)> openPdfExport;
};

/// Runs "Seite speichern": the save dialog (starting in `lastDirectory`), the forced
/// extension, the hand-over of PDF, the settings (not asked for kept bytes saved as JPEG), and
/// the write. `lastDirectory` becomes the chosen file's folder once the file is written.
/// A failure shows the status text and the warning message box.
PageSaveResult saveDisplayedPage(const PageSaveServices& services, const PageSource& source,
                                 std::string& lastDirectory);

}  // namespace korvalis
