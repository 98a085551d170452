// Placeable metafiles placed on a page: the form XObject, where it lands, and damaged files.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/detail/output.h"
#include "pdf/pdf.h"
#include "pdf/tests/drawing_readers.h"
#include "pdf/tests/metafile_builder.h"

namespace korvalis {
namespace {

using Bytes = std::vector<std::uint8_t>;

/// A 1000 x 500 window; the left half of its top half is a red rectangle without outline.
MetafileBuilder redQuarterRecords() {
  MetafileBuilder b;
  b.record(0x020B, {0, 0});
  b.record(0x020C, {500, 1000});
  b.record(0x02FC, {0, 0x00FF, 0, 0});  // slot 0: solid red brush
  b.record(0x02FA, {5, 2, 0, 0, 0});    // slot 1: null pen
  b.record(0x012D, {0});
  b.record(0x012D, {1});
  b.record(0x041B, {250, 500, 0, 0});  // bottom, right, top, left
  return b;
}

Bytes redQuarter() {
  return redQuarterRecords().finish();
}

void place(PdfDocument& doc, std::string_view name, const Bytes& b, float x, float y, float w,
           float h) {
  placeImage(doc, name, b.data(), static_cast<std::int32_t>(b.size()), x, y, w, h);
}

std::string lastLine(const PdfDocument& doc) {
  std::string text(doc.pages.back().content.text());
  text.pop_back();
  return text.substr(text.rfind('\n') + 1);
}

std::vector<double> matrix(const std::string& line) {
  std::istringstream in(line.substr(2));
  std::vector<double> m(6);
  for (double& v : m)
    in >> v;
  return m;
}

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++n;
  return n;
}

TEST(MetafilePlacement, FormIsWrittenPlacedAndAcceptedByQpdf) {
  const testing::CommaLocale german;  // numbers must keep their point all the same
  PdfDocument doc;
  createDocument(doc, "P", "mm", "");
  addPage(doc);
  const Bytes wmf = redQuarter();
  place(doc, "chart.wmf", wmf, 10, 20, 0, 0);
  ASSERT_EQ(doc.lastError, PdfError::None);
  // Without a size the window is taken as twips: 1000 x 500 become 50 x 25 points.
  std::string line = lastLine(doc);
  EXPECT_TRUE(line.starts_with("q ") && line.ends_with(" cm /FO1 Do Q")) << line;
  auto m = matrix(line);
  EXPECT_NEAR(m[0], 0.05, 1e-6);
  EXPECT_NEAR(m[3], -0.05, 1e-6);
  EXPECT_NEAR(m[4], 10 * 72 / 25.4, 1e-3);
  EXPECT_NEAR(m[5], 841.89 - 20 * 72 / 25.4, 1e-3);

  // Placed again by name with a width only: reused, the height follows the box's shape.
  place(doc, "chart.wmf", {}, 0, 0, 40, 0);
  m = matrix(lastLine(doc));
  EXPECT_NEAR(m[0], 40 * 72 / 25.4 / 1000, 1e-6);
  EXPECT_NEAR(m[3], -20 * 72 / 25.4 / 500, 1e-6);
  EXPECT_NEAR(m[5], 841.89, 1e-3);
  ASSERT_EQ(doc.images.size(), 1u);

  const auto path = testing::scratchDirectory() / "form.pdf";
  ASSERT_EQ(saveDocument(doc, path.string()), 1);
  std::ifstream in(path, std::ios::binary);
  const std::string pdf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(count(pdf, "/Subtype /Form"), 1u);
  EXPECT_EQ(count(pdf, "/FO1 Do Q"), 2u);
  EXPECT_NE(pdf.find("5 0 obj\n<</Type /XObject\n/Subtype /Form\n/BBox [0 0 1000 500]\n"),
            std::string::npos);
  EXPECT_NE(pdf.find("/XObject <<\n/FO1 5 0 R\n>>"), std::string::npos);
  EXPECT_NE(pdf.find("1.000 0.000 0.000 rg\n[] 0 d\n0.000 0.000 0.000 RG\n5.67 w\n"
                     "0 0 500 250 re\nf\n"),
            std::string::npos);  // the null pen's width still goes through the scale
  const auto check = testing::qpdfCheck(path);
  EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
  std::filesystem::remove(path);
}

TEST(MetafilePlacement, CompressedFormRendersWhereItsRecordsSay) {
  // Inches on a 10 x 10 inch page, 30 pixels per inch: the form covers x 30..150, y 30..90;
  // its red quarter is x 30..90, y 30..60.
  PdfDocument doc;
  createDocument(doc, "P", "in", "720,720");
  setCompressor(doc, zlibCompress);
  addPage(doc);
  place(doc, "", redQuarter(), 1, 1, 4, 2);
  ASSERT_EQ(doc.lastError, PdfError::None);
  const auto path = testing::scratchDirectory() / "form_render.pdf";
  ASSERT_EQ(saveDocument(doc, path.string()), 1);
  const auto check = testing::qpdfCheck(path);
  EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
  std::string messages;
  const Image page = testing::renderFirstPage(path, 30, &messages);
  std::filesystem::remove(path);
  ASSERT_FALSE(page.isNull()) << messages;
  EXPECT_EQ(messages, "");
  EXPECT_TRUE(testing::isRed(page, 60, 45));
  EXPECT_TRUE(testing::isRed(page, 33, 33));
  EXPECT_TRUE(testing::isRed(page, 87, 57));
  EXPECT_TRUE(testing::isWhite(page, 120, 45));  // right half of the form
  EXPECT_TRUE(testing::isWhite(page, 60, 75));   // bottom half of the form
  // Where it would be, had the form's y not been turned round.
  EXPECT_TRUE(testing::isWhite(page, 60, 255));
}

/// Sets the 32-bit word at `offset` (little-endian).
Bytes withWord(Bytes b, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    b[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
  return b;
}

TEST(MetafilePlacement, DamagedMetafilesFailCleanlyWithError13) {
  const Bytes valid = redQuarter();
  const std::size_t firstRecord = 22 + 18;
  const std::size_t rectangleRecord = valid.size() - 6 - 14;
  Bytes truncated = valid;
  truncated.resize(rectangleRecord + 9);
  Bytes shortHeader = valid;
  shortHeader[24] = 3;  // header of three words
  MetafileBuilder zeroExtent;
  zeroExtent.record(0x020C, {0, 1000});
  MetafileBuilder polygonPastEnd;
  polygonPastEnd.record(0x0324, {40, 0, 0, 10, 10});
  MetafileBuilder polyPolygonPastEnd;
  polyPolygonPastEnd.record(0x0538, {1, 9, 0, 0, 5, 5});
  const std::vector<std::pair<std::string, Bytes>> cases = {
      {"record cut short", truncated},
      {"record longer than the file", withWord(valid, rectangleRecord, 0x7FFFFFFF)},
      {"record shorter than its own header", withWord(valid, firstRecord, 2)},
      {"standard header too short", shortHeader},
      {"empty window", zeroExtent.finish()},
      {"polygon points past the record", polygonPastEnd.finish()},
      {"polygon counts past the record", polyPolygonPastEnd.finish()},
      {"placeable header only", Bytes(valid.begin(), valid.begin() + 22)},
  };
  PdfDocument doc;
  createDocument(doc, "P", "mm", "");
  addPage(doc);
  const std::string before(doc.pages.back().content.text());
  for (const auto& [what, bytes] : cases) {
    doc.lastError = PdfError::None;
    place(doc, what, bytes, 10, 10, 0, 0);
    EXPECT_EQ(doc.lastError, PdfError::Metafile) << what;
    EXPECT_EQ(lastErrorMessage(doc), "") << what;
  }
  EXPECT_TRUE(doc.images.empty());
  EXPECT_EQ(doc.pages.back().content.text(), before);  // nothing drawn
  doc.lastError = PdfError::None;
  place(doc, "good", valid, 10, 10, 0, 0);
  EXPECT_EQ(doc.lastError, PdfError::None);
  EXPECT_TRUE(lastLine(doc).ends_with("/FO1 Do Q"));  // failed ones left no entry behind

  // Every cut of a good file either converts (cut at a record boundary) or fails with 13.
  int failed = 0;
  for (std::size_t length = 4; length < valid.size(); ++length) {
    doc.lastError = PdfError::None;
    const Bytes cut(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(length));
    place(doc, "cut " + std::to_string(length), cut, 0, 0, 0, 0);
    ASSERT_TRUE(doc.lastError == PdfError::None || doc.lastError == PdfError::Metafile)
        << length << ": " << static_cast<int>(doc.lastError);
    failed += doc.lastError == PdfError::Metafile;
  }
  EXPECT_GT(failed, 20);
}

}  // namespace
}  // namespace korvalis
