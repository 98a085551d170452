#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "pdf/detail/output.h"
#include "pdf/pdf.h"
#include "pdf/tests/pdf_readers.h"
#include "platform/testing/temp_folder.h"

namespace korvalis {
namespace {

std::string closed(PdfDocument& doc) {
  closeDocument(doc);
  const auto bytes = documentBytes(doc);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

TEST(PdfBuffer, GrowsInWholeStepsAndKeepsContent) {
  PdfBuffer buffer;
  ASSERT_TRUE(buffer.ensureCapacity(63999));
  EXPECT_EQ(buffer.capacity, 64000);
  ASSERT_TRUE(buffer.append(std::string(64000, 'a')));
  EXPECT_EQ(buffer.capacity, 64000);  // grows only when the content no longer fits
  ASSERT_TRUE(buffer.append(std::string_view("b")));
  EXPECT_EQ(buffer.capacity, 128000);
  EXPECT_EQ(buffer.length, 64001);
  ASSERT_TRUE(buffer.ensureCapacity(128000));
  EXPECT_EQ(buffer.capacity, 192000);
  EXPECT_EQ(buffer.text().substr(63998), "aab");
  EXPECT_FALSE(buffer.ensureCapacity(-1));
}

TEST(PdfWriter, DefaultDocumentHasOneBlankA4Page) {
  PdfDocument doc;
  initialiseWriter(doc);
  ASSERT_EQ(createDocument(doc, "", "", ""), 1);
  const std::string pdf = closed(doc);
  EXPECT_EQ(pdf.rfind("%PDF-1.3\n", 0), 0u);
  EXPECT_NE(pdf.find("/MediaBox [0 0 595.28 841.89]"), std::string::npos);
  EXPECT_NE(pdf.find("/OpenAction [3 0 R /FitH null]"), std::string::npos);
  EXPECT_NE(pdf.find("/PageLayout /OneColumn"), std::string::npos);
  EXPECT_NE(pdf.find("stream\n2 J\n0.57 w\n"), std::string::npos);
  EXPECT_EQ(pdf.find('\r'), std::string::npos);
  // Every xref entry is 20 bytes and points at its object.
  const auto xref = pdf.find("xref\n0 7\n");
  ASSERT_NE(xref, std::string::npos);
  std::size_t line = xref + 9;
  EXPECT_EQ(pdf.substr(line, 20), "0000000000 65535 f \n");
  for (int n = 1; n <= 6; ++n) {
    line += 20;
    const long offset = std::stol(pdf.substr(line, 10));
    EXPECT_EQ(pdf.substr(line + 10, 10), " 00000 n \n");
    EXPECT_EQ(pdf.substr(static_cast<std::size_t>(offset), std::to_string(n).size() + 6),
              std::to_string(n) + " 0 obj");
  }
  EXPECT_NE(pdf.find("/Size 7\n/Root 6 0 R\n/Info 5 0 R"), std::string::npos);
  EXPECT_NE(pdf.find("startxref\n" + std::to_string(xref) + "\n%%EOF\n"), std::string::npos);
}

TEST(PdfWriter, OrientationUnitsAndLayout) {
  PdfDocument doc;
  createDocument(doc, "landscape", "mm", "595.28,841.89");
  setDisplayMode(doc, 50, "/Bogus");
  const std::string landscape = closed(doc);
  EXPECT_NE(landscape.find("/MediaBox [0 0 841.89 595.28]"), std::string::npos);
  EXPECT_NE(landscape.find("/XYZ null null 0.50]"), std::string::npos);
  EXPECT_NE(landscape.find("/PageLayout /OneColumn"), std::string::npos);

  createDocument(doc, "P", "pt", "1024,768");
  EXPECT_FLOAT_EQ(doc.pageWidth, 1024);
  addPage(doc, "L", "");
  EXPECT_FLOAT_EQ(doc.pageWidthPt, 768);
  EXPECT_NE(closed(doc).find("/MediaBox [0 0 768.00 1024.00]"), std::string::npos);

  createDocument(doc, "P", "furlong", "");
  EXPECT_NEAR(doc.scale, 72 / 25.4, 1e-5);
  EXPECT_NEAR(doc.leftMargin, 10.0, 0.01);
  EXPECT_EQ(doc.rightMargin, doc.leftMargin);
}

TEST(PdfWriter, NumbersUseDotInCommaLocale) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  KORVALIS_REQUIRE_COMMA_LOCALE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr);
  EXPECT_EQ(formatNumber(595.275, 2), "595.28");
  EXPECT_EQ(formatNumber(2147483647.0, 0), "2147483647");
  EXPECT_EQ(formatNumber(-0.001, 2), "0.00");
  EXPECT_EQ(formatNumber(-1.5, 6), "-1.500000");
  PdfDocument doc;
  createDocument(doc, "", "", "");
  EXPECT_EQ(doc.decimalSeparator, ',');
  EXPECT_NE(closed(doc).find("/MediaBox [0 0 595.28 841.89]"), std::string::npos);
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(PdfWriter, TextStringsAreEscapedAndUnicode) {
  PdfDocument doc;
  EXPECT_EQ(buildTextString(doc, "(", "a(b)\\\n", ")", false).text(), "(a\\(b\\)\\\\\\n)");
  EXPECT_EQ(buildTextString(doc, "(", "\xFC", ")", true).text(),
            std::string("(\xFE\xFF\0\xFC)", 6));
  createDocument(doc, "", "", "");
  setCreator(doc, "Korvalis");
  setTitle(doc, "   ");
  const std::string pdf = closed(doc);
  EXPECT_NE(pdf.find(std::string("/Creator (\xFE\xFF\0K\0o\0r\0v\0a\0l\0i\0s)", 28)),
            std::string::npos);
  EXPECT_EQ(pdf.find("/Title"), std::string::npos);
}

TEST(PdfWriter, TimeZoneSuffix) {
  EXPECT_EQ(timeZoneSuffix(0), "Z");
  EXPECT_EQ(timeZoneSuffix(-300), "-05'00'");
  EXPECT_EQ(timeZoneSuffix(330), "+05'30'");

  // Note dates are local time with the local offset from UTC: one hour east here.
  const char* saved = std::getenv("TZ");
  const std::string previous = saved ? saved : "";
  setenv("TZ", "CET-1", 1);
  tzset();
  PdfDocument doc;
  initialiseWriter(doc);
  ASSERT_EQ(createDocument(doc, "", "", ""), 1);
  if (saved)
    setenv("TZ", previous.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
  EXPECT_EQ(doc.timeZoneOffsetMinutes, 60);
  EXPECT_EQ(doc.timeZoneSuffix, "+01'00'");
}

TEST(PdfWriter, HooksHeaderFooterAndNumbering) {
  PdfDocument doc;
  initialiseWriter(doc);
  createDocument(doc, "", "", "");
  int ends = 0;
  doc.endPageHooks.emplace_back([&] { ++ends; });
  setHeaderProcedure(
      doc, [&](int arg) { out(doc, "% header " + std::to_string(arg)); }, 7);
  setFooterProcedure(
      doc,
      [&](int) {
        EXPECT_TRUE(doc.inFooter);
        out(doc, "% footer {nb}");
      },
      0);
  setTotalPagesAlias(doc, "{nb}");
  startPageNumbering(doc);
  addPage(doc);
  addPage(doc);
  EXPECT_EQ(getPageNumber(doc), 3);
  const std::string pdf = closed(doc);
  EXPECT_EQ(ends, 2);
  EXPECT_NE(pdf.find("% header 7"), std::string::npos);
  EXPECT_NE(pdf.find("% footer 2"), std::string::npos);
  EXPECT_EQ(doc.endPageHooks.size(), 0u);
  doc.builtInHookInstallers.emplace_back(
      [&] { doc.catalogHooks.emplace_back([&] { out(doc, "/X 1"); }); });
  createDocument(doc, "", "", "");
  EXPECT_EQ(doc.resetHooks.size(), 1u);
  EXPECT_NE(closed(doc).find("/PageLayout /OneColumn\n/X 1\n>>"), std::string::npos);
}

TEST(PdfWriter, SaveChecksNameAndWritesWholeFile) {
  PdfDocument doc;
  createDocument(doc, "", "", "");
  EXPECT_EQ(saveDocument(doc, ""), 1);
  EXPECT_EQ(doc.state, 3);
  EXPECT_EQ(doc.body.length, 0);

  createDocument(doc, "", "", "");
  EXPECT_EQ(saveDocument(doc, "/tmp/bad?name.pdf"), 0);
  EXPECT_EQ(lastErrorMessage(doc), "Filename is not correct.");

  createDocument(doc, "", "", "");
  EXPECT_EQ(saveDocument(doc, "/nonexistent-dir/x.pdf"), 0);
  EXPECT_EQ(lastErrorMessage(doc), "Error creating file.");

  const testing::TempFolder folder("korvalis-writer");
  const auto path = folder / "writer_test.pdf";
  createDocument(doc, "", "", "");
  setCompressor(doc, zlibCompress);
  addPage(doc);
  ASSERT_EQ(saveDocument(doc, path.string()), 1);
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("<</Filter /FlateDecode /Length "), std::string::npos);
  EXPECT_EQ(text.str().substr(text.str().size() - 6), "%%EOF\n");
  std::filesystem::remove(path);
  EXPECT_EQ(errorMessage(PdfError::Metafile), "");
  EXPECT_EQ(errorMessage(static_cast<PdfError>(99)), "");
  EXPECT_EQ(errorMessage(PdfError::OutOfMemory), "Out of memory.");
  EXPECT_EQ(errorMessage(PdfError::Font), "Font not installed or damaged.");
}

}  // namespace
}  // namespace korvalis
