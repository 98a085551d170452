#include "batch/file_naming.h"

#include <filesystem>

#include "archive/match_wildcard.h"
#include "batch/save_list_file.h"
#include "platform/cp1252.h"

namespace korvalis {

std::variant<NamePattern, std::string_view> parseNamePattern(std::string_view pattern) {
  if (!MatchWildcard(pattern, "*[#]")) {
    return kPatternFormatMessage;
  }
  const std::size_t first = pattern.find('[');
  const std::size_t second = pattern.find('[', first + 1);
  NamePattern parsed;
  parsed.name = pattern.substr(0, first);
  parsed.width = leadingInteger(pattern.substr(
      first + 1, second == std::string_view::npos ? std::string_view::npos : second - first - 1));
  if (parsed.width < 1 || parsed.width > 5) {
    return kWidthRangeMessage;
  }
  return parsed;
}

std::variant<NamePattern, std::string_view> checkNaming(std::size_t rowCount,
                                                        std::string_view folder,
                                                        std::string_view pattern) {
  if (folder.empty()) {
    return kNoFolderMessage;
  }
  if (rowCount == 0) {
    return kNoRowsMessage;
  }
  auto parsed = parseNamePattern(pattern);
  if (const auto* name = std::get_if<NamePattern>(&parsed)) {
    std::size_t limit = 1;
    for (int i = 0; i < name->width; ++i) {
      limit *= 10;
    }
    if (rowCount >= limit) {
      return kWidthTooSmallMessage;
    }
  }
  return parsed;
}

void applyFileNames(std::vector<LinkRow>& rows, std::string_view folder, const NamePattern& name) {
  std::string stem(folder);
  if (stem.empty() || stem.back() != '/') {
    stem += '/';
  }
  stem += name.name;
  const std::size_t count = savedRowCount(rows);
  const auto width = static_cast<std::size_t>(name.width);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string digits = std::to_string(i + 1);
    std::string& fileName = rows[i].fileName;
    fileName.clear();
    fileName.reserve(stem.size() + width + 4);
    fileName.append(stem)
        .append(width - std::min(width, digits.size()), '0')
        .append(digits)
        .append(".jpg");
  }
}

std::string_view folderPart(std::string_view fileName) {
  const std::size_t slash = fileName.rfind('/');
  return slash == std::string_view::npos ? std::string_view{} : fileName.substr(0, slash + 1);
}

std::string_view filePart(std::string_view fileName) {
  const std::size_t slash = fileName.rfind('/');
  return slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
}

std::int32_t checkTargetFiles(const std::vector<LinkRow>& rows) {
  if (rows.empty() || rows.front().fileName.empty()) {
    return kTargetFolderUnresolved;
  }
  const std::string_view folder = folderPart(rows.front().fileName);
  if (folder.empty()) {
    return kTargetFolderUnresolved;
  }
  const std::filesystem::path folderPath(cp1252ToUtf8(folder));
  std::error_code error;
  if (!std::filesystem::is_directory(folderPath, error)) {
    return kTargetFolderMissing;
  }
  std::int32_t existing = 0;
  for (const LinkRow& row : rows) {
    if (row.fileName.empty()) {
      break;
    }
    if (row.checked &&
        std::filesystem::exists(folderPath / cp1252ToUtf8(filePart(row.fileName)), error)) {
      ++existing;
    }
  }
  return existing == 0 ? kTargetsReady : existing;
}

std::optional<StartRefusal> startRefusal(std::int32_t check) {
  switch (check) {
    case kTargetsReady:
      return std::nullopt;
    case kTargetFolderMissing:
      return StartRefusal{"Fehler!", "Gew\xE4hltes Verzeichnis nicht gefunden!", true};
    case kTargetFolderUnresolved:
      return StartRefusal{
          "Fehler!", "Interner Fehler.\rKann den Pfad zum Verzeichnis nicht aufl\xF6sen!", true};
    case 1:
      return StartRefusal{
          "Achtung!", "Es existiert bereits eine Datei mit dem gew\xE4hlten Dateinamen!", false};
    default:
      return StartRefusal{"Achtung!",
                          "Es existieren bereits " + std::to_string(check) +
                              " Dateien mit den gew\xE4hlten Dateinamen!",
                          false};
  }
}

}  // namespace korvalis
