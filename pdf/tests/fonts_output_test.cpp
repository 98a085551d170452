// Font selection and the font objects, read back by qpdf and poppler.
#include <gtest/gtest.h>

#include <string>

#include "pdf/fonts/installed_font.h"
#include "pdf/fonts/pdf_fonts.h"
#include "pdf/fonts/text_ops.h"
#include "pdf/tests/fonts_test_readers.h"
#include "platform/file_io.h"

namespace korvalis {
namespace {

using testing::countOf;
using testing::TemporaryPdf;

std::string pageContent(const PdfDocument& doc) {
  return std::string(doc.pages.back().content.text());
}

TEST(PdfFonts, BaseFontsKeysNamesAndOperators) {
  PdfDocument doc;
  initialiseWriter(doc);
  createDocument(doc, "P", "pt", "");
  addPage(doc);
  ASSERT_EQ(setFont(doc, "Arial", "", 12), 1);
  ASSERT_EQ(setFont(doc, "arial", "", 0), 1);  // the same font again: not written twice
  EXPECT_EQ(countOf(pageContent(doc), "BT /F1 12.00 Tf ET\n"), 1);
  EXPECT_EQ(doc.fonts[0].key, "HELVETICA");
  EXPECT_EQ(doc.fonts[0].baseName, "Helvetica");
  setFontSize(doc, 10);
  EXPECT_NEAR(stringWidth(doc, "A"), 6.67, 1e-4);
  EXPECT_EQ(countOf(pageContent(doc), "BT /F1 10.00 Tf ET\n"), 1);

  ASSERT_EQ(setFont(doc, "times", "ib", 10), 1);
  EXPECT_EQ(doc.fonts[1].key, "TIMESBI");
  EXPECT_EQ(doc.fonts[1].baseName, "Times-BoldItalic");
  EXPECT_EQ(doc.fonts[1].style, "BI");
  ASSERT_EQ(setFont(doc, "Times", "u", 10), 1);  // underline is not part of the font
  EXPECT_TRUE(doc.underline);
  EXPECT_EQ(doc.fonts[2].key, "TIMES");
  EXPECT_NEAR(stringWidth(doc, " "), 2.5, 1e-4);
  ASSERT_EQ(setFont(doc, "Symbol", "B", 10), 1);
  EXPECT_EQ(doc.fonts[3].key, "SYMBOL");
  EXPECT_EQ(doc.fonts[3].baseName, "Symbol");
  ASSERT_EQ(setFont(doc, "ZapfDingbats", "", 10), 1);
  ASSERT_EQ(setFont(doc, "Times", "U", 10), 1);
  EXPECT_EQ(doc.fonts.size(), 5u);

  // A new page selects the current font (and underline) again before anything is drawn.
  addPage(doc);
  EXPECT_EQ(pageContent(doc), "2 J\n0.57 w\nBT /F3 10.00 Tf ET\n");
  EXPECT_TRUE(doc.underline);
  cell(doc, 0, 20, "Times on two pages", 0, 1);

  TemporaryPdf file("korvalis_base_fonts");
  const std::string pdf = file.finish(doc);
  EXPECT_NE(pdf.find("/BaseFont /Symbol\n/Subtype /Type1\n>>"), std::string::npos);
  EXPECT_NE(pdf.find("/BaseFont /ZapfDingbats\n/Subtype /Type1\n>>"), std::string::npos);
  EXPECT_NE(pdf.find("/BaseFont /Helvetica\n/Subtype /Type1\n/Encoding /WinAnsiEncoding\n>>"),
            std::string::npos);
  // Fonts come right after the pages (objects 1-2 fixed, 3-6 the two pages).
  EXPECT_NE(pdf.find("/Font <<\n/F1 7 0 R\n/F2 8 0 R\n/F3 9 0 R\n/F4 10 0 R\n/F5 11 0 R\n>>"),
            std::string::npos);
  EXPECT_NE(file.text(2).find("Times on two pages"), std::string::npos);
}

std::vector<std::uint8_t> dejaVu(const char* file) {
  return readWholeFileBytes(std::string("/usr/share/fonts/truetype/dejavu/") + file)
      .value_or(std::vector<std::uint8_t>{});
}

TEST(PdfFonts, InstalledTrueTypeFontsAreEmbedded) {
  for (const bool compressed : {false, true}) {
    SCOPED_TRACE(compressed ? "deflate" : "ASCII85");
    PdfDocument doc;
    initialiseWriter(doc);
    createDocument(doc, "", "", "");
    if (compressed)
      setCompressor(doc, zlibCompress);
    addPage(doc);
    ASSERT_EQ(setFont(doc, "DejaVu Sans", "", 14), 1)
        << "fonts-dejavu-core and -extra must be installed";
    EXPECT_EQ(doc.fonts[0].kind, 1);
    EXPECT_EQ(doc.fonts[0].key, "DEJAVU SANS");
    writeText(doc, 8,
              "Gr\xFC\xDF"
              "e aus der Schriftdatei");
    newLine(doc);
    ASSERT_EQ(setFont(doc, "dejavu sans", "BI", 14), 1);
    writeText(doc, 8, "Fett und kursiv");
    ASSERT_EQ(setFont(doc, "DejaVu Sans", "", 14), 1);  // known: nothing loaded again
    // Another family sharing the face name "DejaVu Sans" but not the file.
    ASSERT_EQ(setFont(doc, "DejaVu Sans Condensed", "", 14), 1);
    writeText(doc, 8, " schmal");
    EXPECT_EQ(doc.fonts.size(), 3u);
    ASSERT_EQ(doc.fontFiles.size(), 3u);
    EXPECT_NE(doc.fontFiles[0].data, doc.fontFiles[2].data);

    TemporaryPdf file("korvalis_truetype");
    const std::string pdf = file.finish(doc);
    EXPECT_EQ(countOf(pdf, "/BaseFont /DejaVu#20Sans\n"), 2);
    EXPECT_EQ(countOf(pdf, "/BaseFont /DejaVu#20Sans#20Condensed\n"), 1);
    EXPECT_EQ(countOf(pdf, compressed ? "/Filter /FlateDecode\n/Length " : "/ASCII85Decode"), 3);
    // Each descriptor names the file of its own style.
    EXPECT_NE(pdf.find("/StemV 70\n/MissingWidth "), std::string::npos);
    EXPECT_NE(pdf.find("/StemV 120\n"), std::string::npos);
    EXPECT_NE(pdf.find("/FontFile2 5 0 R"), std::string::npos);
    EXPECT_NE(pdf.find("/FontFile2 6 0 R"), std::string::npos);
    EXPECT_NE(pdf.find("/FontFile2 7 0 R"), std::string::npos);
    EXPECT_NE(pdf.find("/Length1 " + std::to_string(dejaVu("DejaVuSans.ttf").size()) + "\n"),
              std::string::npos);

    const std::string text = file.text();
    EXPECT_NE(text.find("Grüße aus der Schriftdatei"), std::string::npos) << text;
    EXPECT_NE(text.find("Fett und kursiv schmal"), std::string::npos) << text;
    // pdffonts: a 36-column name, then type, encoding, embedded, ...
    const std::string fonts = file.fonts();
    std::istringstream lines(fonts);
    int embedded = 0;
    for (std::string line; std::getline(lines, line);) {
      if (!line.starts_with("DejaVu Sans") || line.size() < 37)
        continue;
      std::istringstream fields(line.substr(37));
      std::string type, encoding, emb;
      fields >> type >> encoding >> emb;
      embedded += type == "TrueType" && encoding == "WinAnsi" && emb == "yes";
    }
    EXPECT_EQ(embedded, 3) << fonts;
  }
}

TEST(PdfFonts, FaceNameBlanksAndNumbersInCommaLocale) {
  const testing::CommaLocale locale;
  KORVALIS_REQUIRE_COMMA_LOCALE(locale.active());
  PdfDocument doc;
  initialiseWriter(doc);
  doc.fontSource = [](std::string_view, bool, bool italic) {
    return InstalledFont{"Times New Roman", "",
                         dejaVu(italic ? "DejaVuSerif-Italic.ttf" : "DejaVuSerif.ttf")};
  };
  createDocument(doc, "", "", "");
  addPage(doc);
  ASSERT_EQ(setFont(doc, "Times New Roman", "I", 11), 1);
  cell(doc, 0, 10, "Kursiv gesetzt", 1, 1, "C");
  setFont(doc, "Helvetica", "U", 10);
  cell(doc, 80, 10, "im Blocksatz gesetzt", 0, 1, "FJ");
  writeShifted(doc, 10, "hoch", 0, 7, 2);
  EXPECT_EQ(pageContent(doc).find(','), std::string::npos) << pageContent(doc);
  TemporaryPdf file("korvalis_face_name");
  const std::string pdf = file.finish(doc);
  EXPECT_NE(pdf.find("/BaseFont /Times#20New#20Roman\n"), std::string::npos);
  EXPECT_NE(pdf.find("/FontName /Times#20New#20Roman\n"), std::string::npos);
  EXPECT_NE(pdf.find("/ItalicAngle -11.00\n"), std::string::npos);
  EXPECT_EQ(pdf.find("11,00"), std::string::npos);
  EXPECT_NE(file.text().find("Kursiv gesetzt"), std::string::npos);
}

TEST(PdfFonts, MissingOrDamagedTrueTypeFontIsRefused) {
  const std::vector<std::uint8_t> good = dejaVu("DejaVuSans.ttf");
  ASSERT_FALSE(good.empty());
  // Cut the file in the middle of its last table: the directory is intact, a table is not.
  std::uint32_t end = 0;
  const std::size_t count = (good[4] << 8) | good[5];
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* record = good.data() + 12 + 16 * i;
    const auto field = [&](int at) {
      return (std::uint32_t{record[at]} << 24) | (record[at + 1] << 16) | (record[at + 2] << 8) |
             record[at + 3];
    };
    end = std::max(end, field(8) + field(12) / 2);
  }
  const std::vector<std::uint8_t> truncated(good.begin(), good.begin() + end);

  PdfDocument doc;
  initialiseWriter(doc);
  doc.fontSource = [&](std::string_view family, bool, bool) -> std::optional<InstalledFont> {
    if (family == "BROKEN")
      return InstalledFont{"Broken", "", truncated};
    return std::nullopt;
  };
  createDocument(doc, "", "", "");
  addPage(doc);
  ASSERT_EQ(setFont(doc, "Helvetica", "", 12), 1);
  for (const char* family : {"Broken", "Not Installed"}) {
    doc.lastError = PdfError::None;
    EXPECT_EQ(setFont(doc, family, "U", 20), 0) << family;
    EXPECT_EQ(doc.lastError, PdfError::Font) << family;
    EXPECT_EQ(lastErrorMessage(doc), "Font not installed or damaged.");
  }
  EXPECT_EQ(doc.fonts.size(), 1u);
  EXPECT_TRUE(doc.fontFiles.empty());
  EXPECT_EQ(doc.fontFamily, "HELVETICA");  // the current font stays
  EXPECT_EQ(doc.fontSizePt, 12);
  EXPECT_FALSE(doc.underline);  // nor does underlining change
  cell(doc, 0, 10, "Noch lesbar", 0, 1);
  TemporaryPdf file("korvalis_damaged_font");
  file.finish(doc);
  EXPECT_NE(file.text().find("Noch lesbar"), std::string::npos);
}

}  // namespace
}  // namespace korvalis
