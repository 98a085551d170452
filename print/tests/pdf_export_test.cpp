#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/file_io.h"
#include "platform/testing/temp_folder.h"
#include "print/pdf_export.h"

namespace korvalis {
namespace {

TEST(PdfExportLayout, DefaultMarginsLimitsAndFit) {
  const auto portrait = updatePdfLayout(1000, 2000, {}, false, false);
  EXPECT_EQ(portrait.left, 9);
  EXPECT_EQ(portrait.top, 9);
  EXPECT_EQ(portrait.rightEdge, 200);
  EXPECT_EQ(portrait.bottomEdge, 287);
  EXPECT_EQ(portrait.fitHeight, 279);  // the preview fits into 192 x 279 mm

  const auto limited = updatePdfLayout(1000, 2000, {150, 10, 10, 200}, false, false);
  EXPECT_EQ(limited.maxFields.top, 95);
  EXPECT_EQ(limited.fields.top, 95);

  const auto wide = updatePdfLayout(3000, 1000, {}, false, false);
  EXPECT_EQ(wide.fitWidth, 192);  // limited by the width
  EXPECT_EQ(wide.fitHeight, 64);

  const auto landscape = updatePdfLayout(100, 100, {}, true, false);
  EXPECT_EQ(landscape.sheetWidth, 297);
  EXPECT_EQ(landscape.sheetHeight, 210);
}

std::string readAll(const std::filesystem::path& path) {
  return readWholeFile(path).value_or(std::string());
}

std::vector<std::uint8_t> tinyJpeg(int width, int height) {
  std::vector<std::uint8_t> b = {0xFF,
                                 0xD8,
                                 0xFF,
                                 0xE0,
                                 0,
                                 16,
                                 'J',
                                 'F',
                                 'I',
                                 'F',
                                 0,
                                 1,
                                 1,
                                 0,
                                 0,
                                 1,
                                 0,
                                 1,
                                 0,
                                 0,
                                 0xFF,
                                 0xC0,
                                 0,
                                 11,
                                 8,
                                 static_cast<std::uint8_t>(height >> 8),
                                 static_cast<std::uint8_t>(height),
                                 static_cast<std::uint8_t>(width >> 8),
                                 static_cast<std::uint8_t>(width),
                                 3,
                                 1,
                                 0x11,
                                 0,
                                 0xFF,
                                 0xD9};
  return b;
}

TEST(PdfExport, PlacementOriginalSizeAndRejection) {
  const testing::TempFolder folder("korvalis-export");
  const std::filesystem::path& dir = folder.path();
  const auto a4 = dir / "korvalis_export_a4.pdf";
  const auto jpeg = tinyJpeg(1000, 2000);
  ASSERT_EQ(
      exportPdf(jpeg, updatePdfLayout(1000, 2000, {}, false, false), false, false, a4.string()), 1);
  const std::string pdf = readAll(a4);
  // 139.5 x 278 mm + 1 mm at (9, 9) mm on A4 portrait.
  EXPECT_NE(pdf.find("/MediaBox [0 0 595.28 841.89]"), std::string::npos);
  EXPECT_NE(pdf.find("cm /I1 Do Q"), std::string::npos);
  EXPECT_NE(pdf.find(" 25.51 "), std::string::npos);
  EXPECT_NE(pdf.find("/OpenAction [3 0 R /Fit]\n/PageLayout /SinglePage"), std::string::npos);
  EXPECT_NE(pdf.find(std::string(jpeg.begin(), jpeg.end())), std::string::npos);

  const auto original = dir / "korvalis_export_original.pdf";
  const auto big = tinyJpeg(2000, 3000);
  ASSERT_EQ(
      exportPdf(big, updatePdfLayout(2000, 3000, {}, false, true), false, true, original.string()),
      1);
  const std::string page = readAll(original);
  EXPECT_NE(page.find("/MediaBox [0 0 2000.00 3000.00]"), std::string::npos);
  EXPECT_NE(page.find("q 2000.00 0 0 3000.00 0.00 0.00 cm /I1 Do Q"), std::string::npos);

  std::string error;
  const std::vector<std::uint8_t> junk = {1, 2, 3, 4};
  const auto rejected = dir / "korvalis_export_rejected.pdf";
  EXPECT_EQ(exportPdf(junk, updatePdfLayout(10, 10, {}, false, false), false, false,
                      rejected.string(), &error),
            0);
  EXPECT_EQ(error, "Not a JPEG or PNG file.");
  EXPECT_FALSE(std::filesystem::exists(rejected));

  // Several pages: one per entry, each laid out on its own, the same file placed once.
  const auto several = dir / "several.pdf";
  const auto file = dir / "page.jpg";
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
  const PdfExportPage pages[] = {
      {jpeg, {}, updatePdfLayout(1000, 2000, {}, false, true), "Erste"},
      {{}, file.string(), updatePdfLayout(1000, 2000, {}, false, true), "Zweite"},
      {{}, file.string(), updatePdfLayout(1000, 2000, {}, false, true), "Dritte"},
      {big, {}, updatePdfLayout(2000, 3000, {}, false, true), "Vierte"},
  };
  ASSERT_EQ(exportPdfPages(pages, false, true, several.string()), 1);
  const std::string doc = readAll(several);
  EXPECT_NE(doc.find("/Count 4"), std::string::npos);
  EXPECT_NE(doc.find("/MediaBox [0 0 1000.00 2000.00]"), std::string::npos);
  EXPECT_NE(doc.find("/MediaBox [0 0 2000.00 3000.00]"), std::string::npos);
  EXPECT_NE(doc.find("/Title (Dritte)"), std::string::npos);
  EXPECT_NE(doc.find("/I3 "), std::string::npos);  // two blocks and one file
  EXPECT_EQ(doc.find("/I4 "), std::string::npos);
  const std::vector<PdfExportPage> none;
  EXPECT_EQ(exportPdfPages(none, false, false, several.string()), 0);
}

}  // namespace
}  // namespace korvalis
