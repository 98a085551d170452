#include "tools/monkey/saved_file_check.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <system_error>

#include "platform/file_io.h"
#include "viewer/image_codec.h"

namespace korvalis::monkey {

namespace {

constexpr std::uint32_t kRgb = 0xFFFFFFU;
// The colour option that keeps every colour ("True Color") in the settings window.
constexpr int kTrueColourPick = 3;

std::string sizeText(int width, int height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

std::string describe(const ExpectedSave& save) {
  return save.path.filename().string() + " (shown page " +
         (save.shown.keptBytes ? pageIdentity(*save.shown.keptBytes) : std::string("from file")) +
         ")";
}

bool sameRgb(const Image& a, const Image& b) {
  if (a.width() != b.width() || a.height() != b.height()) {
    return false;
  }
  const auto pa = a.pixels();
  const auto pb = b.pixels();
  return std::equal(pa.begin(), pa.end(), pb.begin(), pb.end(),
                    [](std::uint32_t x, std::uint32_t y) { return (x & kRgb) == (y & kRgb); });
}

bool contains(const std::vector<std::uint8_t>& haystack, const std::vector<std::uint8_t>& part) {
  return std::search(haystack.begin(), haystack.end(), part.begin(), part.end()) != haystack.end();
}

std::optional<std::string> checkPdf(const ExpectedSave& save,
                                    const std::vector<std::uint8_t>& bytes) {
  const std::string text(bytes.begin(), bytes.end());
  if (text.rfind("%PDF-", 0) != 0 ||
      text.find("%%EOF", text.size() > 32 ? text.size() - 32 : 0) == std::string::npos) {
    return describe(save) + ": the PDF is cut off or no PDF";
  }
  // The kept download is embedded unchanged.
  if (save.shown.keptBytes && !save.shown.zoomOrCrop && !contains(bytes, *save.shown.keptBytes)) {
    return describe(save) + ": the PDF does not embed the page shown at the click";
  }
  return std::nullopt;
}

std::optional<std::string> checkImageFile(const ExpectedSave& save,
                                          const std::vector<std::uint8_t>& bytes) {
  const ShownPage& shown = save.shown;
  if (save.format == SavedFormat::Jpeg && shown.keptBytes && !shown.zoomOrCrop) {
    if (bytes != *shown.keptBytes) {
      return describe(save) + ": the JPEG is not the page shown at the click (it holds " +
             std::to_string(bytes.size()) + " bytes, identity \"" + pageIdentity(bytes) +
             "\"; the page had " + std::to_string(shown.keptBytes->size()) + " bytes)";
    }
    return std::nullopt;
  }
  const DecodeResult decoded = decodeImage(bytes);
  if (!decoded.ok()) {
    return describe(save) + ": the saved file does not decode";
  }
  const Image& expected = shown.imageToEncode();
  const Image& got = decoded.image;
  if (got.width() != expected.width() || got.height() != expected.height()) {
    return describe(save) + ": the saved image is " + sizeText(got.width(), got.height()) +
           ", the one shown at the click " + sizeText(expected.width(), expected.height());
  }
  // Every colour kept: the pixels are the shown ones.
  if (save.format != SavedFormat::Jpeg && save.settingsPick == kTrueColourPick &&
      !sameRgb(got, expected)) {
    return describe(save) + ": the saved pixels are not those shown at the click";
  }
  return std::nullopt;
}

bool isPageFile(const std::filesystem::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".jpg" || ext == ".jpeg" || ext == ".png" || ext == ".bmp" || ext == ".pdf";
}

}  // namespace

std::string pageIdentity(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < 49 || std::memcmp(bytes.data() + 24, "film", 4) != 0 ||
      std::memcmp(bytes.data() + 38, "fram", 4) != 0) {
    return {};
  }
  const auto text = [&bytes](std::size_t at, std::size_t n) {
    return std::string(reinterpret_cast<const char*>(bytes.data()) + at, n);
  };
  return text(29, 7) + ":" + text(44, 5);
}

std::optional<std::string> checkSavedPage(const ExpectedSave& save) {
  std::error_code error;
  if (!std::filesystem::exists(save.path, error)) {
    return std::nullopt;  // nothing written
  }
  const std::optional<std::vector<std::uint8_t>> bytes = readWholeFileBytes(save.path);
  if (!bytes) {
    return describe(save) + ": cannot be read back";
  }
  return save.format == SavedFormat::Pdf ? checkPdf(save, *bytes) : checkImageFile(save, *bytes);
}

std::vector<std::string> leftoverFiles(const std::filesystem::path& folder) {
  std::vector<std::string> found;
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    if (!it->is_regular_file(error)) {
      continue;
    }
    const std::filesystem::path& path = it->path();
    const std::string name = path.filename().string();
    if (name.starts_with(".")) {
      found.push_back(path.string() + ": a temporary file left behind");
      continue;
    }
    const std::vector<std::uint8_t> bytes =
        readWholeFileBytes(path).value_or(std::vector<std::uint8_t>{});
    // An empty link list or save list may be written empty; a page never is.
    if (bytes.empty() && isPageFile(path)) {
      found.push_back(path.string() + ": empty under its final name");
    } else if (!pageIdentity(bytes).empty() &&
               (bytes.size() < 2 || bytes[bytes.size() - 2] != 0xFF || bytes.back() != 0xD9)) {
      found.push_back(path.string() + ": an archive page cut off (" + std::to_string(bytes.size()) +
                      " bytes, no end marker)");
    }
  }
  return found;
}

}  // namespace korvalis::monkey
