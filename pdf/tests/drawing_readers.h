// Renders PDFs written by the drawing tests with pdftoppm and reads the render with the
// viewer's decoder.
#pragma once

#include <filesystem>
#include <string>

#include "pdf/tests/pdf_readers.h"
#include "platform/image.h"
#include "viewer/image_codec.h"

namespace korvalis::testing {

/// Renders page 1 at `dpi` as PNG and decodes it; a null image when rendering failed.
/// `messages` receives what pdftoppm printed, its standard output and then its standard error
/// (it reports bad content operators there).
inline Image renderFirstPage(const std::filesystem::path& pdf, int dpi, std::string* messages) {
  const auto prefix = pdf.parent_path() / (pdf.stem().string() + "_render");
  const KrvRun run = runTool("pdftoppm", scratchDirectory(),
                             "-r " + std::to_string(dpi) + " -png -singlefile -f 1 -l 1 " +
                                 shellQuoted(pdf.string()) + " " + shellQuoted(prefix.string()));
  if (messages != nullptr)
    *messages = run.out + run.err;
  const auto png = prefix.string() + ".png";
  if (run.exitCode != 0)
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

}  // namespace korvalis::testing
