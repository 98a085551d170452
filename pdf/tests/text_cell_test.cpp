// Text cells, flowing text and the position accessors, read back by qpdf and poppler.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "pdf/annotations/pdf_links.h"
#include "pdf/fonts/pdf_fonts.h"
#include "pdf/fonts/text_ops.h"
#include "pdf/tests/fonts_test_readers.h"

namespace korvalis {
namespace {

using testing::countOf;
using testing::findWord;
using testing::TemporaryPdf;
using testing::wordBoxes;

constexpr double kMm = 72 / 25.4;

/// A4 portrait in millimetres with one page open and Helvetica 12 selected.
void startHelveticaPage(PdfDocument& doc) {
  initialiseWriter(doc);
  createDocument(doc, "", "", "");
  addPage(doc);
  setFont(doc, "Helvetica", "", 12);
}

std::string pageContent(const PdfDocument& doc) {
  return std::string(doc.pages.back().content.text());
}

TEST(PdfText, CentredFramedCellSpansToTheRightMargin) {
  PdfDocument doc;
  startHelveticaPage(doc);
  setY(doc, 50);
  ASSERT_EQ(cell(doc, 0, 10, "Hello", 1, 1, "C"), 1);
  EXPECT_FLOAT_EQ(getY(doc), 60);
  EXPECT_FLOAT_EQ(getX(doc), doc.leftMargin);
  const std::string content = pageContent(doc);
  EXPECT_NE(content.find("28.35 700.16 538.58 -28.35 re S BT "), std::string::npos) << content;
  EXPECT_NE(content.find(" Td (Hello) Tj ET\n"), std::string::npos);

  // Right alignment, partial frames (left + bottom) and escaping in the same document.
  setX(doc, -60);  // 60 mm from the right edge
  EXPECT_NEAR(getX(doc), 150, 0.01);
  cell(doc, 40, 10, "a(b)", -(kCellLeft + kCellBottom), 0, "R");
  EXPECT_NEAR(getX(doc), 190, 0.01);
  EXPECT_NE(pageContent(doc).find(" l S BT "), std::string::npos);
  EXPECT_NE(pageContent(doc).find("(a\\(b\\)) Tj ET"), std::string::npos);

  TemporaryPdf file("korvalis_centred_cell");
  file.finish(doc);
  const auto words = wordBoxes(file.boxes());
  ASSERT_EQ(words.size(), 2u);
  const auto hello = findWord(words, "Hello");
  EXPECT_NEAR((hello.xMin + hello.xMax) / 2, 595.28 / 2, 0.5);
  EXPECT_NEAR(findWord(words, "a(b)").xMax, (190 - doc.cellMargin) * kMm, 0.5);  // right-aligned
}

TEST(PdfText, CellAtTheBottomBreaksThePageButNotInTheFooter) {
  PdfDocument doc;
  initialiseWriter(doc);
  createDocument(doc, "", "", "");
  setFooterProcedure(
      doc,
      [&](int) {
        setY(doc, -15);  // below the page-break trigger
        cell(doc, 0, 10, "Seite {nb}", 0, 0, "C");
      },
      0);
  setTotalPagesAlias(doc, "{nb}");
  addPage(doc);
  setFont(doc, "Helvetica", "", 12);
  setY(doc, doc.pageBreakTrigger - 5);
  setX(doc, 50);
  cell(doc, 30, 10, "Unten", 0, 0);
  EXPECT_EQ(doc.pageCount, 2);
  EXPECT_FLOAT_EQ(getX(doc), 80);  // x kept across the break
  EXPECT_FLOAT_EQ(getY(doc), doc.topMargin);

  // Flowing text over a break whose header selects a font of its own: the text goes on in
  // its font on the next page.
  setHeaderProcedure(
      doc,
      [&](int) {
        setFont(doc, "Courier", "B", 9);
        cell(doc, 0, 5, "Kopf", 0, 1);
      },
      0);
  std::string flowing;
  for (int i = 0; i < 500; ++i)
    flowing += "Fliesstext ";
  writeText(doc, 6, flowing);
  ASSERT_EQ(doc.pageCount, 3);
  EXPECT_EQ(doc.fontFamily, "HELVETICA");
  const float wordWidth = stringWidth(doc, "Fliesstext");

  TemporaryPdf file("korvalis_cell_break");
  file.finish(doc);
  EXPECT_EQ(file.text(1).find("Unten"), std::string::npos);
  EXPECT_NE(file.text(2).find("Unten"), std::string::npos);
  EXPECT_NE(file.text(1).find("Seite 3"), std::string::npos);  // the alias, no extra page
  EXPECT_NE(file.text(3).find("Seite 3"), std::string::npos);
  EXPECT_NE(file.text(3).find("Kopf\nFliesstext"), std::string::npos);
  const auto last = findWord(wordBoxes(file.boxes(3)), "Fliesstext");
  EXPECT_NEAR(last.xMax - last.xMin, wordWidth * kMm, 0.5);
}

TEST(PdfText, JustifiedCellSpreadsTheWordsWithWordSpacing) {
  PdfDocument doc;
  startHelveticaPage(doc);
  cell(doc, 100, 10, "eins zwei drei", 0, 1, "FJ");
  // The spacing is set for this line only.
  EXPECT_NE(pageContent(doc).find(" Tw\nBT "), std::string::npos);
  EXPECT_NE(pageContent(doc).find(") Tj ET\n0 Tw\n"), std::string::npos);
  EXPECT_EQ(doc.wordSpacing, 0);
  // No blank: all the free width becomes word spacing, which moves nothing.
  const float single = stringWidth(doc, "Einzelwort");
  cell(doc, 100, 10, "Einzelwort", 0, 1, "FJ");

  TemporaryPdf file("korvalis_justified");
  file.finish(doc);
  const auto words = wordBoxes(file.boxes());
  ASSERT_EQ(words.size(), 4u);
  EXPECT_NEAR(findWord(words, "eins").xMin, (doc.leftMargin + doc.cellMargin) * kMm, 0.5);
  EXPECT_NEAR(findWord(words, "drei").xMax, (doc.leftMargin + 100 - doc.cellMargin) * kMm, 0.5);
  const auto alone = findWord(words, "Einzelwort");
  EXPECT_NEAR(alone.xMax - alone.xMin, single * kMm, 0.5);
}

TEST(PdfText, FlowingTextWrapsInsideTheMargins) {
  PdfDocument doc;
  startHelveticaPage(doc);
  std::string text;
  for (int i = 0; i < 40; ++i)
    text += "Wort" + std::to_string(i) + " ";
  text += "\r\nneue Zeile\n" + std::string(120, 'x') + " Ende";
  setX(doc, 120);
  writeText(doc, 6, text);
  const float endX = getX(doc);
  EXPECT_GT(endX, doc.leftMargin);
  EXPECT_LT(endX, 100);

  TemporaryPdf file("korvalis_flowing");
  file.finish(doc);
  const std::string extracted = file.text();
  EXPECT_NE(extracted.find("Wort0 Wort1"), std::string::npos) << extracted;
  EXPECT_NE(extracted.find("Wort39\nneue Zeile\nxxx"), std::string::npos) << extracted;
  const auto words = wordBoxes(file.boxes());
  std::set<long> lineTops;
  for (const auto& word : words) {
    // A line is as wide as the room to the right margin; its cell starts one cell margin in.
    EXPECT_LE(word.xMax, (doc.pageWidth - doc.rightMargin + doc.cellMargin) * kMm + 0.5)
        << word.word;
    EXPECT_GE(word.xMin, doc.leftMargin * kMm - 0.5) << word.word;
    lineTops.insert(std::lround(word.yMin));
  }
  // Words from 120 mm on, then two explicit lines, then 120 x (about 2 mm each) on two lines.
  ASSERT_GE(lineTops.size(), 6u);
  EXPECT_EQ(std::lround(findWord(words, "Ende").yMin), *lineTops.rbegin());
  EXPECT_NEAR(findWord(words, "Wort0").xMin, (120 + doc.cellMargin) * kMm, 0.5);
}

TEST(PdfText, ColourUnderlineLinksAndShiftedText) {
  PdfDocument doc;
  startHelveticaPage(doc);
  doc.textColour = "1.000 0.000 0.000 rg";
  doc.colourFlag = true;
  setFont(doc, "Helvetica", "U", 12);
  const int link = addLink(doc);
  setLinkTarget(doc, link, -1, -1, "https://example.org/");
  const float width = stringWidth(doc, "rot");
  cell(doc, 50, 10, "rot", 0, 0, "", false, link);
  std::string content = pageContent(doc);
  EXPECT_NE(content.find("q 1.000 0.000 0.000 rg BT "), std::string::npos) << content;
  EXPECT_NE(content.find(") Tj ET "), std::string::npos);
  EXPECT_NE(content.find(" re f Q\n"), std::string::npos);
  EXPECT_EQ(doc.links[0].page, 1);
  EXPECT_NEAR(doc.links[0].areaWidth, width * kMm, 1e-3);
  EXPECT_NEAR(doc.links[0].areaHeight, 12, 1e-3);

  doc.colourFlag = false;
  setFont(doc, "Helvetica", "", 12);
  const float y = getY(doc);
  writeShifted(doc, 10, "2", 0, 7, 0);
  EXPECT_FLOAT_EQ(getY(doc), y);
  EXPECT_EQ(getFontSizePt(doc), 12);
  EXPECT_GT(getX(doc), 60);
  content = pageContent(doc);
  EXPECT_NE(content.find("BT /F1 7.00 Tf ET\n"), std::string::npos);
  EXPECT_EQ(content.substr(content.size() - 19), "BT /F1 12.00 Tf ET\n");
  // An offset of 3 pt raises the baseline by exactly 3 pt against the same text without one.
  writeShifted(doc, 10, "3", 0, 7, 3);
  content = pageContent(doc);
  const auto baselineOf = [&content](std::string_view shown) {
    const auto end = content.find(" Td (" + std::string(shown) + ") Tj");
    const auto start = content.rfind("BT ", end);
    if (end == std::string::npos || start == std::string::npos)
      return -1.0;
    return std::stod(content.substr(content.find(' ', start + 3) + 1));
  };
  ASSERT_GT(baselineOf("2"), 0.0);
  EXPECT_NEAR(baselineOf("3") - baselineOf("2"), 3.0, 0.011);

  TemporaryPdf file("korvalis_colour_link");
  const std::string pdf = file.finish(doc);
  EXPECT_NE(pdf.find("/URI (https://example.org/)"), std::string::npos);
  const auto words = wordBoxes(file.boxes());
  ASSERT_EQ(words.size(), 2u);  // "2" and "3" stand side by side: one word for the reader
  EXPECT_LT(findWord(words, "23").yMax, findWord(words, "rot").yMax);  // raised
}

TEST(PdfText, TextWithoutFontIsLeftOutAndPositionsCountFromTheEdges) {
  PdfDocument doc;
  initialiseWriter(doc);
  createDocument(doc, "", "", "");
  addPage(doc);
  EXPECT_EQ(cell(doc, 20, 10, "ohne Schrift", 1, 0), 0);
  EXPECT_EQ(pageContent(doc).find("Tj"), std::string::npos);
  EXPECT_NE(pageContent(doc).find("re S \n"), std::string::npos);
  setX(doc, 30);
  setY(doc, -20);
  EXPECT_FLOAT_EQ(getX(doc), doc.leftMargin);
  EXPECT_NEAR(getY(doc), doc.pageHeight - 20, 1e-3);
  EXPECT_NEAR(getScale(doc), kMm, 1e-5);
}

}  // namespace
}  // namespace korvalis
