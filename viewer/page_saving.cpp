#include "viewer/page_saving.h"

#include <algorithm>
#include <cctype>

#include "platform/cp1252.h"
#include "platform/file_io.h"
#include "platform/platform.h"

namespace korvalis {
namespace {

constexpr std::array<std::string_view, 4> kExtensions = {"bmp", "jpg", "png", "pdf"};

/// The text after the last '.' of the file name (not of a folder), upper-cased; "" for none.
std::string upperExtension(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos) {
    return {};
  }
  std::string ext(name.substr(dot + 1));
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return ext;
}

std::string folderOf(const std::string& path) {
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::string text = folder.string();
  if (!text.empty() && text.back() != '/') {
    text += '/';
  }
  return text;
}

}  // namespace

std::optional<PageFileType> pageFileTypeForFilter(int filterIndex) {
  if (filterIndex < 0 || filterIndex > 3) {
    return std::nullopt;
  }
  return static_cast<PageFileType>(filterIndex);
}

std::optional<SaveType> encoderForFileType(PageFileType type) {
  switch (type) {
    case PageFileType::Bmp:
      return SaveType::Bmp;
    case PageFileType::Jpeg:
      return SaveType::Jpeg;
    case PageFileType::Png:
      return SaveType::Png;
    case PageFileType::Pdf:
      break;
  }
  return std::nullopt;
}

std::string withForcedExtension(std::string_view path, PageFileType type) {
  const std::string_view ext = kExtensions[static_cast<std::size_t>(type)];
  std::string upper(ext);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  std::string result(path);
  if (upperExtension(path) != upper) {
    result += '.';
    result += ext;
  }
  return result;
}

std::string saveFailedMessage(std::string_view path) {
  return "Konnte \"" + utf8ToCp1252Lossy(path) + "\" nicht speichern!";
}

EncoderSettingsChoice encoderSettingsChoice(SaveType type, bool keptBytes) {
  if (type == SaveType::Jpeg) {
    return {
        "  Bildqualit\xE4t / Dateigr\xF6\xDF"
        "e",
        {{{"mittel / klein", {24, 2}},
          {"gut / mittel", {24, 3}},
          {"besser / gro\xDF", {24, 5}},
          {"beste / sehr gro\xDF", {24, 7}}}},
        keptBytes ? 3 : 1};
  }
  return {"   Maximale Anzahl Farben",
          {{{"  2 Farben", {1, 7}},
            {" 16 Farben", {4, 7}},
            {"256 Farben", {8, 7}},
            {"True Color", {24, 7}}}},
          1};
}

bool writePageFile(const PageSource& source, SaveType type, const EncoderSettings& settings,
                   const std::filesystem::path& path) {
  if (type == SaveType::Jpeg && source.writesKeptBytes()) {
    return writeFileAtomically(path, *source.keptBytes);
  }
  const Image* image = source.imageToEncode();
  if (image == nullptr) {
    return false;
  }
  const std::optional<std::vector<std::uint8_t>> bytes = encodeImage(*image, type, settings);
  return bytes && writeFileAtomically(path, std::span<const std::uint8_t>(*bytes));
}

PageSaveResult saveDisplayedPage(const PageSaveServices& services, const PageSource& source,
                                 std::string& lastDirectory) {
  const std::optional<SaveDialogAnswer> answer =
      services.platform.saveFileDialog(kSavePageTitle, lastDirectory, kSavePageFilter,
                                       /*defaultName=*/"", kSavePagePreselectedFilter);
  if (!answer || answer->path.empty()) {
    return PageSaveResult::Cancelled;
  }
  const std::optional<PageFileType> fileType = pageFileTypeForFilter(answer->filterIndex);
  if (!fileType) {
    services.setStatus(kUnsupportedTypeStatus);
    return PageSaveResult::Unsupported;
  }
  const std::string path = withForcedExtension(answer->path, *fileType);
  if (*fileType == PageFileType::Pdf) {
    services.openPdfExport(path, source);
    return PageSaveResult::HandedToPdfExport;
  }
  const SaveType type = *encoderForFileType(*fileType);
  const bool kept = source.keptBytes != nullptr;
  EncoderSettings settings{24, 7};
  if (!(kept && type == SaveType::Jpeg)) {
    const std::optional<EncoderSettings> asked = services.settings.askEncoderSettings(type, kept);
    if (!asked) {
      return PageSaveResult::Cancelled;
    }
    settings = *asked;
  }
  if (!writePageFile(source, type, settings, path)) {
    services.setStatus(kSaveFailedStatus);
    services.platform.message(kSaveFailedTitle, saveFailedMessage(path), MessageSign::Warning);
    return PageSaveResult::Failed;
  }
  // Only a folder that took the file is offered again; a failed one (/proc, a full or
  // read-only medium) would greet the next dialog with the same failure.
  lastDirectory = folderOf(path);
  return PageSaveResult::Saved;
}

}  // namespace korvalis
