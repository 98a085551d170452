#include "pdf/drawing/pdf_drawing.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "pdf/detail/output.h"

namespace korvalis {

namespace {

/// Drawing goes to the open page only; with no page open `out` would write into the file
/// body and break the document.
bool pageOpen(const PdfDocument& doc) {
  return doc.state == 2 && !doc.pages.empty();
}

void draw(PdfDocument& doc, std::string_view line) {
  if (pageOpen(doc))
    out(doc, line);
}

std::string number(PdfDocument& doc, double value) {
  return pdfNumber(doc, value, 2);
}

void updateColourFlag(PdfDocument& doc) {
  doc.colourFlag = doc.fillColour != doc.textColour;
}

/// Control distance of a cubic Bezier approximating a circular arc of `angle` radians, as a
/// fraction of the radius.
double arcControl(double angle) {
  return 4.0 / 3.0 * std::tan(angle / 4);
}

}  // namespace

namespace {

/// The operator text a colour setter stores, e.g. "0.502 g" or "1.000 0.000 0.000 RG";
/// `grey` and `rgb` are the operators for the two forms ("G"/"RG" or "g"/"rg"). A component of
/// -1 for g asks for grey r.
std::string colourText(PdfDocument& doc, float r, float g, float b, std::string_view grey,
                       std::string_view rgb) {
  if ((r == 0 && g == 0 && b == 0) || g == -1)
    return pdfNumber(doc, r / 255.0, 3) + " " + std::string(grey);
  return pdfNumber(doc, r / 255.0, 3) + " " + pdfNumber(doc, g / 255.0, 3) + " " +
         pdfNumber(doc, b / 255.0, 3) + " " + std::string(rgb);
}

/// "c m y k  K" (two blanks before the operator).
std::string cmykText(PdfDocument& doc, float c, float m, float y, float k, std::string_view op) {
  return pdfNumber(doc, c, 2) + " " + pdfNumber(doc, m, 2) + " " + pdfNumber(doc, y, 2) + " " +
         pdfNumber(doc, k, 2) + "  " + std::string(op);
}

}  // namespace

int setDrawColour(PdfDocument& doc, float r, float g, float b) {
  doc.drawColour = colourText(doc, r, g, b, "G", "RG");
  draw(doc, doc.drawColour);
  return 1;
}

int setFillColour(PdfDocument& doc, float r, float g, float b) {
  doc.fillColour = colourText(doc, r, g, b, "g", "rg");
  updateColourFlag(doc);
  draw(doc, doc.fillColour);
  return 1;
}

int setTextColour(PdfDocument& doc, float r, float g, float b) {
  doc.textColour = colourText(doc, r, g, b, "g", "rg");
  updateColourFlag(doc);
  return 1;
}

int setDrawColourCmyk(PdfDocument& doc, float c, float m, float y, float k) {
  doc.drawColour = cmykText(doc, c, m, y, k, "K");
  draw(doc, doc.drawColour);
  return 1;
}

int setFillColourCmyk(PdfDocument& doc, float c, float m, float y, float k) {
  doc.fillColour = cmykText(doc, c, m, y, k, "k");
  updateColourFlag(doc);
  draw(doc, doc.fillColour);
  return 1;
}

int setTextColourCmyk(PdfDocument& doc, float c, float m, float y, float k) {
  doc.textColour = cmykText(doc, c, m, y, k, "k");
  updateColourFlag(doc);
  return 1;
}

int setLineWidth(PdfDocument& doc, float width) {
  doc.lineWidth = width;
  draw(doc, number(doc, width * doc.scale) + " w");
  return 1;
}

int setDash(PdfDocument& doc, float black, float white) {
  if (black != 0) {
    std::string pattern(1, '[');
    pattern += pdfNumber(doc, black * doc.scale, 3);
    pattern += ' ';
    pattern += pdfNumber(doc, white * doc.scale, 3);
    draw(doc, pattern + "] 0 d");
  } else
    draw(doc, "[] 0 d");
  return pageOpen(doc) ? 1 : 0;
}

int drawLine(PdfDocument& doc, float x1, float y1, float x2, float y2) {
  draw(doc, pdfPoint(doc, x1, y1) + " m " + pdfPoint(doc, x2, y2) + " l S");
  return pageOpen(doc) ? 1 : 0;
}

namespace {
std::string rectText(PdfDocument& doc, float x, float y, float w, float h) {
  return pdfPoint(doc, x, y) + " " + number(doc, w * doc.scale) + " " +
         number(doc, -h * doc.scale) + " re";
}
}  // namespace

int rectPath(PdfDocument& doc, float x, float y, float w, float h) {
  draw(doc, rectText(doc, x, y, w, h));
  return pageOpen(doc) ? 1 : 0;
}

int drawRect(PdfDocument& doc, float x, float y, float w, float h, std::string_view style) {
  const std::string_view op = style == "F" ? "f" : style == "DF" ? "B" : "S";
  draw(doc, rectText(doc, x, y, w, h) + " " + std::string(op));
  return pageOpen(doc) ? 1 : 0;
}

int moveTo(PdfDocument& doc, float x, float y) {
  draw(doc, pdfPoint(doc, x, y) + " m");
  return pageOpen(doc) ? 1 : 0;
}

int lineTo(PdfDocument& doc, float x, float y) {
  draw(doc, pdfPoint(doc, x, y) + " l");
  return pageOpen(doc) ? 1 : 0;
}

int curveTo(PdfDocument& doc, float x1, float y1, float x2, float y2, float x3, float y3) {
  draw(doc,
       pdfPoint(doc, x1, y1) + " " + pdfPoint(doc, x2, y2) + " " + pdfPoint(doc, x3, y3) + " c");
  return pageOpen(doc) ? 1 : 0;
}

std::string_view paintOperator(std::string_view style) {
  if (style == "D")
    return "s";
  if (style == "DF")
    return "b";
  if (style == "F")
    return "f";
  if (style.empty())
    return "S";
  return style;
}

int paintPath(PdfDocument& doc, std::string_view style) {
  draw(doc, paintOperator(style));
  return pageOpen(doc) ? 1 : 0;
}

int drawTriangle(PdfDocument& doc, float x1, float y1, float x2, float y2, float x3, float y3,
                 std::string_view style) {
  moveTo(doc, x1, y1);
  lineTo(doc, x2, y2);
  lineTo(doc, x3, y3);
  paintPath(doc, style);
  return pageOpen(doc) ? 1 : 0;
}

int drawEllipse(PdfDocument& doc, float x, float y, float rx, float ry, std::string_view style) {
  const auto k = static_cast<float>(arcControl(std::numbers::pi / 2));  // 4/3 (sqrt 2 - 1)
  const float kx = k * rx, ky = k * ry;
  moveTo(doc, x + rx, y);
  curveTo(doc, x + rx, y - ky, x + kx, y - ry, x, y - ry);
  curveTo(doc, x - kx, y - ry, x - rx, y - ky, x - rx, y);
  curveTo(doc, x - rx, y + ky, x - kx, y + ry, x, y + ry);
  curveTo(doc, x + kx, y + ry, x + rx, y + ky, x + rx, y);
  paintPath(doc, style);
  return pageOpen(doc) ? 1 : 0;
}

int drawCircle(PdfDocument& doc, float x, float y, float r, std::string_view style) {
  drawEllipse(doc, x, y, r, r, style);
  return pageOpen(doc) ? 1 : 0;
}

int drawRoundedRect(PdfDocument& doc, float x, float y, float w, float h, float r,
                    std::string_view style) {
  // A radius beyond half the shorter side would make the edges run backwards.
  r = std::clamp(r, 0.0f, std::min(std::fabs(w), std::fabs(h)) / 2);
  const float k = static_cast<float>(arcControl(std::numbers::pi / 2)) * r;
  const float right = x + w, bottom = y + h;
  moveTo(doc, x + r, y);
  lineTo(doc, right - r, y);
  curveTo(doc, right - r + k, y, right, y + r - k, right, y + r);
  lineTo(doc, right, bottom - r);
  curveTo(doc, right, bottom - r + k, right - r + k, bottom, right - r, bottom);
  lineTo(doc, x + r, bottom);
  curveTo(doc, x + r - k, bottom, x, bottom - r + k, x, bottom - r);
  lineTo(doc, x, y + r);
  curveTo(doc, x, y + r - k, x + r - k, y, x + r, y);
  paintPath(doc, style);
  return pageOpen(doc) ? 1 : 0;
}

int drawSector(PdfDocument& doc, float x, float y, float r, float startAngle, float endAngle,
               std::string_view style) {
  auto normal = [](double degrees) {
    const double d = std::fmod(degrees, 360.0);
    return d < 0 ? d + 360.0 : d;
  };
  const double from = normal(startAngle);
  double to = normal(endAngle);
  if (to <= from)
    to += 360;
  const double sweep = (to - from) * std::numbers::pi / 180;
  const double start = from * std::numbers::pi / 180;
  const int segments =
      std::max(1, static_cast<int>(std::ceil(sweep / (std::numbers::pi / 2) - 1e-9)));
  const double step = sweep / segments;
  const double k = arcControl(step) * r;
  // Angles run counter-clockwise on the page, where y grows downwards.
  auto px = [&](double a) { return static_cast<float>(x + r * std::cos(a)); };
  auto py = [&](double a) { return static_cast<float>(y - r * std::sin(a)); };
  moveTo(doc, x, y);
  lineTo(doc, px(start), py(start));
  for (int i = 0; i < segments; ++i) {
    const double a1 = start + i * step, a2 = a1 + step;
    curveTo(doc, static_cast<float>(px(a1) - k * std::sin(a1)),
            static_cast<float>(py(a1) - k * std::cos(a1)),
            static_cast<float>(px(a2) + k * std::sin(a2)),
            static_cast<float>(py(a2) + k * std::cos(a2)), px(a2), py(a2));
  }
  paintPath(doc, style);
  return pageOpen(doc) ? 1 : 0;
}

int transform(PdfDocument& doc, float a, float b, float c, float d, float e, float f) {
  std::string line;
  for (const float v : {a, b, c, d, e, f})
    line += pdfNumber(doc, v, 3) + " ";
  draw(doc, line + "cm");
  return pageOpen(doc) ? 1 : 0;
}

int translate(PdfDocument& doc, float tx, float ty) {
  transform(doc, 1, 0, 0, 1, tx, ty);
  return pageOpen(doc) ? 1 : 0;
}

int scaleAt(PdfDocument& doc, float sx, float sy, float x, float y) {
  if (x == -1)
    x = doc.x;
  if (y == -1)
    y = doc.y;
  const float px = x * doc.scale, py = (doc.pageHeight - y) * doc.scale;
  const float fx = sx / 100, fy = sy / 100;
  transform(doc, fx, 0, 0, fy, px * (1 - fx), py * (1 - fy));
  return pageOpen(doc) ? 1 : 0;
}

int rotateAt(PdfDocument& doc, float angle, float x, float y) {
  if (x == -1)
    x = doc.x;
  if (y == -1)
    y = doc.y;
  const double px = x * doc.scale, py = (doc.pageHeight - y) * doc.scale;
  const double a = angle * std::numbers::pi / 180;
  const double cosA = std::cos(a), sinA = std::sin(a);
  transform(doc, static_cast<float>(cosA), static_cast<float>(sinA), static_cast<float>(-sinA),
            static_cast<float>(cosA), static_cast<float>(px - px * cosA + py * sinA),
            static_cast<float>(py - px * sinA - py * cosA));
  return pageOpen(doc) ? 1 : 0;
}

int startTransform(PdfDocument& doc) {
  if (!pageOpen(doc))
    return 0;
  out(doc, "q");
  ++doc.openTransforms;
  return 1;
}

int stopTransform(PdfDocument& doc) {
  if (!pageOpen(doc) || doc.openTransforms == 0)
    return 0;
  out(doc, "Q");
  --doc.openTransforms;
  return 1;
}

}  // namespace korvalis
