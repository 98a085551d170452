// Drawing operations: the operator lines they write, and files read back by qpdf and poppler.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "pdf/detail/output.h"
#include "pdf/pdf.h"
#include "pdf/tests/drawing_readers.h"

namespace korvalis {
namespace {

/// The lines of the open page's content.
std::vector<std::string> contentLines(const PdfDocument& doc) {
  std::vector<std::string> lines;
  std::istringstream in{std::string(doc.pages.back().content.text())};
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

/// The lines written to the open page since `before` lines were there.
std::vector<std::string> linesSince(const PdfDocument& doc, std::size_t before) {
  auto lines = contentLines(doc);
  lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(before));
  return lines;
}

/// The content lines that `draw` adds to the open page.
template <typename Draw>
std::vector<std::string> drawnLines(const PdfDocument& doc, Draw&& draw) {
  const std::size_t before = contentLines(doc).size();
  draw();
  return linesSince(doc, before);
}

std::vector<double> numbers(const std::string& line) {
  std::vector<double> values;
  std::istringstream in(line);
  for (std::string word; in >> word;) {
    try {
      values.push_back(std::stod(word));
    } catch (const std::exception&) {
    }
  }
  return values;
}

/// A document in points on a 1000 x 1000 page, so that X = x and Y = 1000 - y.
/// (The hooks initialiseWriter registers keep a reference to `doc`.)
void startPointDocument(PdfDocument& doc) {
  initialiseWriter(doc);
  createDocument(doc, "P", "pt", "1000,1000");
  addPage(doc);
}

TEST(DrawingColours, OperatorTextsFlagAndWhenTheyAreWritten) {
  PdfDocument doc;
  createDocument(doc, "P", "mm", "");
  setFillColour(doc, 255, 0, 0);
  setDrawColourCmyk(doc, 0.1f, 0.2f, 0.3f, 0.4f);
  EXPECT_EQ(doc.fillColour, "1.000 0.000 0.000 rg");
  EXPECT_EQ(doc.drawColour, "0.10 0.20 0.30 0.40  K");
  EXPECT_EQ(doc.body.text(), "%PDF-1.3\n");  // no page yet: stored, not written
  EXPECT_TRUE(doc.colourFlag);

  addPage(doc);  // the new page starts with the stored colours
  EXPECT_EQ(contentLines(doc), (std::vector<std::string>{"2 J", "0.57 w", "0.10 0.20 0.30 0.40  K",
                                                         "1.000 0.000 0.000 rg"}));
  const std::size_t before = contentLines(doc).size();
  setFillColour(doc, 0, 0, 0);
  EXPECT_EQ(doc.fillColour, "0.000 g");
  EXPECT_TRUE(doc.colourFlag);  // "0.000 g" is not the text colour's "0 g"
  setFillColour(doc, 128, -1, -1);
  setDrawColour(doc, 0, 0, 255);
  setDrawColour(doc, 51);
  setFillColourCmyk(doc, 1, 0, 0.5f, 0);
  setTextColour(doc, 0, 128, 0);  // text colours are written by text output only
  setTextColourCmyk(doc, 1, 0, 0.5f, 0);
  EXPECT_FALSE(doc.colourFlag);
  EXPECT_EQ(doc.textColour, "1.00 0.00 0.50 0.00  k");
  setTextColour(doc, 0, 128, 0);
  EXPECT_EQ(doc.textColour, "0.000 0.502 0.000 rg");
  EXPECT_TRUE(doc.colourFlag);
  setFillColour(doc, 0, 128, 0);
  EXPECT_FALSE(doc.colourFlag);
  EXPECT_EQ(linesSince(doc, before),
            (std::vector<std::string>{"0.000 g", "0.502 g", "0.000 0.000 1.000 RG", "0.200 G",
                                      "1.00 0.00 0.50 0.00  k", "0.000 0.502 0.000 rg"}));

  closeDocument(doc);
  const std::string body(doc.body.text());
  setDrawColour(doc, 10, 20, 30);
  drawRect(doc, 1, 1, 1, 1, "F");
  EXPECT_EQ(doc.body.text(), body);  // a finished document is left alone
}

TEST(DrawingShapes, LinesRectanglesAndPaintStyles) {
  PdfDocument doc;
  createDocument(doc, "P", "mm", "");
  addPage(doc);
  std::size_t before = contentLines(doc).size();
  drawRect(doc, 10, 10, 50, 20, "DF");
  drawRect(doc, 10, 10, 50, 20, "F");
  drawRect(doc, 10, 10, 50, 20, "");
  rectPath(doc, 10, 10, 50, 20);
  setLineWidth(doc, 0.5f);
  setDash(doc, 2, 1);
  setDash(doc, 0, 1);
  EXPECT_EQ(linesSince(doc, before),
            (std::vector<std::string>{
                "28.35 813.54 141.73 -56.69 re B", "28.35 813.54 141.73 -56.69 re f",
                "28.35 813.54 141.73 -56.69 re S", "28.35 813.54 141.73 -56.69 re", "1.42 w",
                "[5.669 2.835] 0 d", "[] 0 d"}));
  EXPECT_FLOAT_EQ(doc.lineWidth, 0.5f);

  startPointDocument(doc);
  before = contentLines(doc).size();
  drawLine(doc, 10, 20, 30, 40);
  drawTriangle(doc, 10, 10, 20, 10, 15, 30, "DF");
  moveTo(doc, 1, 2);
  lineTo(doc, 3, 4);
  curveTo(doc, 5, 6, 7, 8, 9, 10);
  for (const char* style : {"D", "F", "", "W n"})
    paintPath(doc, style);
  EXPECT_EQ(linesSince(doc, before),
            (std::vector<std::string>{"10.00 980.00 m 30.00 960.00 l S", "10.00 990.00 m",
                                      "20.00 990.00 l", "15.00 970.00 l", "b", "1.00 998.00 m",
                                      "3.00 996.00 l", "5.00 994.00 7.00 992.00 9.00 990.00 c", "s",
                                      "f", "S", "W n"}));
}

/// Checks that every Bezier segment in `lines` (after a starting "m" or "l" point) passes
/// through the circle of radius r about the PDF point (cx, cy) at its middle and ends.
void expectCurvesOnCircle(const std::vector<std::string>& lines, double cx, double cy, double r) {
  std::vector<double> current;
  int curves = 0;
  for (const auto& line : lines) {
    const auto v = numbers(line);
    if (line.ends_with(" m") || line.ends_with(" l")) {
      current = v;
    } else if (line.ends_with(" c")) {
      ASSERT_EQ(v.size(), 6u) << line;
      ASSERT_EQ(current.size(), 2u) << line;
      // Middle of a cubic: (P0 + 3 C1 + 3 C2 + P3) / 8.
      const double mx = (current[0] + 3 * v[0] + 3 * v[2] + v[4]) / 8;
      const double my = (current[1] + 3 * v[1] + 3 * v[3] + v[5]) / 8;
      EXPECT_NEAR(std::hypot(mx - cx, my - cy), r, r * 0.001) << line;
      EXPECT_NEAR(std::hypot(v[4] - cx, v[5] - cy), r, 0.01) << line;
      current = {v[4], v[5]};
      ++curves;
    }
  }
  EXPECT_GT(curves, 0);
}

TEST(DrawingShapes, CirclesEllipsesAndSectorsAreQuarterBeziers) {
  PdfDocument doc;
  startPointDocument(doc);
  auto lines = drawnLines(doc, [&] { drawCircle(doc, 500, 500, 100, "F"); });
  EXPECT_EQ(lines, (std::vector<std::string>{"600.00 500.00 m",
                                             "600.00 555.23 555.23 600.00 500.00 600.00 c",
                                             "444.77 600.00 400.00 555.23 400.00 500.00 c",
                                             "400.00 444.77 444.77 400.00 500.00 400.00 c",
                                             "555.23 400.00 600.00 444.77 600.00 500.00 c", "f"}));
  expectCurvesOnCircle(lines, 500, 500, 100);

  lines = drawnLines(doc, [&] { drawEllipse(doc, 500, 500, 200, 100, ""); });
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "700.00 500.00 m");
  EXPECT_EQ(lines[1], "700.00 555.23 610.46 600.00 500.00 600.00 c");
  EXPECT_EQ(lines[5], "S");

  // A quarter from the right to the top (y grows downwards, so "up" is y - r).
  lines = drawnLines(doc, [&] { drawSector(doc, 500, 500, 100, 0, 90, "F"); });
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "500.00 500.00 m");
  EXPECT_EQ(lines[1], "600.00 500.00 l");
  EXPECT_EQ(lines[2], "600.00 555.23 555.23 600.00 500.00 600.00 c");
  EXPECT_EQ(lines[3], "f");

  // -90 is brought to 270: from the bottom round through 0 to 180 is three quarters.
  lines = drawnLines(doc, [&] { drawSector(doc, 500, 500, 100, -90, 180, "DF"); });
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[1], "500.00 400.00 l");
  EXPECT_TRUE(lines[4].ends_with(" 400.00 500.00 c")) << lines[4];
  EXPECT_EQ(lines[5], "b");
  expectCurvesOnCircle(lines, 500, 500, 100);

  // Uneven sweeps split into equal segments of at most 90 degrees; equal angles: full circle.
  for (const auto& [from, to, curves] :
       {std::tuple{10.0f, 110.0f, 2}, std::tuple{30.0f, 30.0f, 4}, std::tuple{350.0f, 20.0f, 1},
        std::tuple{0.0f, 720.0f, 4}}) {
    // clang before 16 cannot capture structured bindings: the lambda takes copies.
    lines = drawnLines(doc, [&, a = from, b = to] { drawSector(doc, 500, 500, 50, a, b, "F"); });
    EXPECT_EQ(static_cast<int>(lines.size()), curves + 3) << from << " to " << to;
    expectCurvesOnCircle(lines, 500, 500, 50);
  }
}

TEST(DrawingShapes, RoundedRectangleKeepsItsEdgesStraight) {
  PdfDocument doc;
  startPointDocument(doc);
  auto lines = drawnLines(doc, [&] { drawRoundedRect(doc, 100, 100, 200, 50, 10, "D"); });
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[0], "110.00 900.00 m");
  EXPECT_EQ(lines[1], "290.00 900.00 l");
  EXPECT_EQ(lines[2], "295.52 900.00 300.00 895.52 300.00 890.00 c");
  EXPECT_EQ(lines[8], "100.00 895.52 104.48 900.00 110.00 900.00 c");
  EXPECT_EQ(lines[9], "s");

  // A radius larger than half the shorter side is limited to it: the short sides vanish.
  lines = drawnLines(doc, [&] { drawRoundedRect(doc, 100, 100, 200, 50, 100, "F"); });
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[0], "125.00 900.00 m");
  EXPECT_EQ(lines[3], "300.00 875.00 l");
}

/// Applies the matrix of a "cm" line to a point.
std::pair<double, double> apply(const std::string& cm, double x, double y) {
  const auto m = numbers(cm);
  if (m.size() != 6)
    return {NAN, NAN};
  return {m[0] * x + m[2] * y + m[4], m[1] * x + m[3] * y + m[5]};
}

TEST(DrawingTransforms, RotateAndScaleKeepTheirFixedPoint) {
  PdfDocument doc;
  startPointDocument(doc);
  std::size_t before = contentLines(doc).size();
  rotateAt(doc, 90, 200, 300);
  doc.x = 50;
  doc.y = 60;
  rotateAt(doc, 30, -1, -1);
  scaleAt(doc, 200, 50, 100, 100);
  scaleAt(doc, 150, 150, -1, -1);
  translate(doc, 10, 20);
  transform(doc, 1, 2, 3, 4, 5.25f, -6.5f);
  const auto lines = linesSince(doc, before);
  ASSERT_EQ(lines.size(), 6u);
  for (const auto& line : lines)
    EXPECT_TRUE(line.ends_with(" cm")) << line;

  // A quarter turn about (200, 300), that is PDF (200, 700): the point 100 to the right
  // goes 100 up the page.
  auto [fx, fy] = apply(lines[0], 200, 700);
  EXPECT_NEAR(fx, 200, 0.01);
  EXPECT_NEAR(fy, 700, 0.01);
  auto [rx, ry] = apply(lines[0], 300, 700);
  EXPECT_NEAR(rx, 200, 0.01);
  EXPECT_NEAR(ry, 800, 0.01);
  EXPECT_TRUE(lines[0].starts_with("0.000 1.000 -1.000 0.000 ")) << lines[0];

  // About the current position (50, 60) = PDF (50, 940).
  // (The matrix has three decimals, so the point moves by up to a few hundredths.)
  std::tie(fx, fy) = apply(lines[1], 50, 940);
  EXPECT_NEAR(fx, 50, 0.05);
  EXPECT_NEAR(fy, 940, 0.05);
  EXPECT_TRUE(lines[1].starts_with("0.866 0.500 -0.500 0.866 ")) << lines[1];

  EXPECT_EQ(lines[2], "2.000 0.000 0.000 0.500 -100.000 450.000 cm");
  std::tie(fx, fy) = apply(lines[3], 50, 940);
  EXPECT_NEAR(fx, 50, 0.01);
  EXPECT_NEAR(fy, 940, 0.01);
  EXPECT_EQ(lines[4], "1.000 0.000 0.000 1.000 10.000 20.000 cm");
  EXPECT_EQ(lines[5], "1.000 2.000 3.000 4.000 5.250 -6.500 cm");
}

TEST(DrawingTransforms, BracketsAreBalancedAndClosedAtPageEnd) {
  PdfDocument doc;
  startPointDocument(doc);
  std::size_t before = contentLines(doc).size();
  startTransform(doc);
  rotateAt(doc, 45, 10, 10);
  stopTransform(doc);
  stopTransform(doc);  // nothing open: no stray "Q"
  startTransform(doc);
  startTransform(doc);
  EXPECT_EQ(linesSince(doc, before).size(), 5u);
  addPage(doc);  // the two open brackets are closed on the page they belong to
  EXPECT_EQ(doc.openTransforms, 0);
  stopTransform(doc);
  EXPECT_EQ(contentLines(doc), (std::vector<std::string>{"2 J", "0.57 w"}));
  const std::string first(doc.pages.front().content.text());
  EXPECT_TRUE(first.ends_with("Q\nq\nq\nQ\nQ\n")) << first;

  // The next document of the same writer closes a bracket left open as well.
  closeDocument(doc);
  createDocument(doc, "P", "pt", "1000,1000");
  addPage(doc);
  startTransform(doc);
  closeDocument(doc);
  const std::string file(doc.body.text());
  EXPECT_NE(file.find("q\nQ\n\nendstream"), std::string::npos) << file;
}

/// Draws a page with every operation.
void drawEverything(PdfDocument& doc) {
  setDrawColour(doc, 200, 10, 10);
  setFillColour(doc, 10, 200, 10);
  setTextColour(doc, 10, 10, 200);
  setLineWidth(doc, 0.8f);
  setDash(doc, 3, 1.5f);
  drawLine(doc, 10, 10, 100, 20);
  setDash(doc, 0, 0);
  drawRect(doc, 20, 30, 40, 20, "DF");
  setDrawColourCmyk(doc, 0, 1, 1, 0);
  setFillColourCmyk(doc, 1, 0, 0, 0);
  drawRect(doc, 70, 30, 40, 20, "F");
  drawTriangle(doc, 20, 60, 60, 60, 40, 90, "D");
  drawCircle(doc, 100, 80, 15, "DF");
  drawEllipse(doc, 150, 80, 30, 10, "");
  drawRoundedRect(doc, 20, 110, 80, 40, 8, "DF");
  drawSector(doc, 150, 130, 25, 45, 300, "F");
  moveTo(doc, 20, 170);
  lineTo(doc, 60, 170);
  curveTo(doc, 70, 160, 80, 190, 100, 170);
  paintPath(doc, "");
  startTransform(doc);
  rotateAt(doc, 30, 150, 200);
  scaleAt(doc, 120, 80, 150, 200);
  translate(doc, 5, 5);
  transform(doc, 1, 0, 0.2f, 1, 0, 0);
  drawRect(doc, 130, 190, 40, 20, "DF");
  stopTransform(doc);
  rectPath(doc, 20, 220, 50, 50);
  paintPath(doc, "W n");
  drawRect(doc, 10, 210, 80, 80, "F");
}

TEST(DrawingOutput, EveryOperationGivesAValidFileAlsoInACommaLocale) {
  const auto path = testing::scratchDirectory() / "every_operation.pdf";
  const bool comma = [&path] {
    const testing::CommaLocale german;
    PdfDocument doc;
    initialiseWriter(doc);
    createDocument(doc, "P", "mm", "");
    addPage(doc);
    drawEverything(doc);
    startTransform(doc);  // left open: closed when the page ends
    rotateAt(doc, 10);
    addPage(doc, "L", "");
    drawEverything(doc);
    if (german.active()) {
      EXPECT_EQ(doc.decimalSeparator, ',');
    }
    EXPECT_EQ(saveDocument(doc, path.string()), 1);
    return german.active();
  }();

  const auto check = testing::qpdfCheck(path);
  EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
  std::string messages;
  const Image page = testing::renderFirstPage(path, 30, &messages);
  EXPECT_FALSE(page.isNull()) << messages;
  EXPECT_EQ(messages, "");  // poppler names every operator or operand it cannot use
  std::ifstream in(path, std::ios::binary);
  const std::string pdf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_FALSE(std::regex_search(pdf, std::regex("[0-9],[0-9]")));
  std::filesystem::remove(path);
  KORVALIS_REQUIRE_COMMA_LOCALE(comma);  // otherwise checked in the C locale only
}

TEST(DrawingOutput, FilledRectangleRendersWhereItsCoordinatesSay) {
  // Inches on a 10 x 10 inch page: at 30 dots per inch one unit is 30 pixels.
  PdfDocument doc;
  createDocument(doc, "P", "in", "720,720");
  addPage(doc);
  setFillColour(doc, 255, 0, 0);
  drawRect(doc, 2, 1, 2, 2, "F");  // pixels x 60..120, y 30..90 from the top
  const auto path = testing::scratchDirectory() / "rectangle.pdf";
  ASSERT_EQ(saveDocument(doc, path.string()), 1);
  std::string messages;
  const Image page = testing::renderFirstPage(path, 30, &messages);
  std::filesystem::remove(path);
  ASSERT_FALSE(page.isNull()) << messages;
  ASSERT_EQ(page.width(), 300);
  ASSERT_EQ(page.height(), 300);
  EXPECT_TRUE(testing::isRed(page, 90, 60));
  EXPECT_TRUE(testing::isRed(page, 62, 32));
  EXPECT_TRUE(testing::isRed(page, 117, 87));
  EXPECT_TRUE(testing::isWhite(page, 90, 95));   // below
  EXPECT_TRUE(testing::isWhite(page, 55, 60));   // left
  EXPECT_TRUE(testing::isWhite(page, 125, 60));  // right
  EXPECT_TRUE(testing::isWhite(page, 90, 240));  // where it would be if y were not turned round
}

}  // namespace
}  // namespace korvalis
