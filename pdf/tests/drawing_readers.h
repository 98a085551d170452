// Reads PDFs written by the drawing tests back with real readers: qpdf checks the file,
// pdftoppm renders a page and the viewer's decoder reads the render.
#pragma once

#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/image.h"
#include "viewer/image_codec.h"

namespace korvalis::test {

/// Switches the number format to German (decimal comma) for its lifetime; active() is false
/// when that locale is not installed.
class CommaLocale {
 public:
  CommaLocale() : saved_(std::setlocale(LC_NUMERIC, nullptr)) {
    active_ = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  }
  ~CommaLocale() { std::setlocale(LC_NUMERIC, saved_.c_str()); }
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;
  bool active() const { return active_; }

 private:
  std::string saved_;
  bool active_ = false;
};

/// A file name in the temporary directory, unique to this process.
inline std::filesystem::path scratchFile(const std::string& name) {
  return std::filesystem::temp_directory_path() /
         ("korvalis_drawing_" + std::to_string(::getpid()) + "_" + name);
}

/// Exit status and merged output of a shell command.
struct CommandResult {
  int status = -1;
  std::string output;
};

inline CommandResult runCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr)
    return result;
  char chunk[512];
  std::size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
    result.output.append(chunk, n);
  result.status = ::pclose(pipe);
  return result;
}

/// "qpdf --check": exit 0 means no errors and no warnings.
inline CommandResult qpdfCheck(const std::filesystem::path& pdf) {
  return runCommand("qpdf --check '" + pdf.string() + "'");
}

/// Renders page 1 at `dpi` as PNG and decodes it; a null image when rendering failed.
/// `messages` receives what pdftoppm printed (it reports bad content operators there).
inline Image renderFirstPage(const std::filesystem::path& pdf, int dpi, std::string* messages) {
  const auto prefix = pdf.parent_path() / (pdf.stem().string() + "_render");
  const CommandResult run =
      runCommand("pdftoppm -r " + std::to_string(dpi) + " -png -singlefile -f 1 -l 1 '" +
                 pdf.string() + "' '" + prefix.string() + "'");
  if (messages != nullptr)
    *messages = run.output;
  const auto png = prefix.string() + ".png";
  if (run.status != 0)
    return {};
  DecodeResult decoded = decodeImageFile(png);
  std::filesystem::remove(png);
  return std::move(decoded.image);
}

/// A rendered pixel that is clearly red (anti-aliased edges are neither red nor white).
inline bool isRed(const Image& image, int x, int y) {
  const auto p = image.pixel(x, y);
  return pixelRed(p) > 200 && pixelGreen(p) < 60 && pixelBlue(p) < 60;
}

/// A rendered pixel of the blank paper.
inline bool isWhite(const Image& image, int x, int y) {
  const auto p = image.pixel(x, y);
  return pixelRed(p) > 240 && pixelGreen(p) > 240 && pixelBlue(p) > 240;
}

}  // namespace korvalis::test
