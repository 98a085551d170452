#include "pdf/fonts/text_ops.h"

#include "pdf/detail/output.h"

#include <algorithm>
#include <array>
#include <string>

#include "pdf/annotations/pdf_links.h"
#include "pdf/fonts/pdf_fonts.h"

namespace korvalis {
namespace {

std::string number(PdfDocument& doc, double value) {
  return pdfNumber(doc, value, 2);
}

std::string wordSpacingLine(PdfDocument& doc, float spacing) {
  return pdfNumber(doc, spacing * doc.scale, 3) + " Tw";
}

/// Opens a new page before a box of height h that would cross the page-break trigger, keeping
/// x and the word spacing of a justified line.
void breakPageIfNeeded(PdfDocument& doc, float h) {
  if (doc.y + h <= doc.pageBreakTrigger || doc.inFooter || !acceptsPageBreak(doc))
    return;
  const float x = doc.x;
  const float spacing = doc.wordSpacing;
  if (spacing > 0) {
    doc.wordSpacing = 0;
    out(doc, "0 Tw");
  }
  addPage(doc, doc.currentOrientation, "");
  doc.x = x;
  if (spacing > 0) {
    doc.wordSpacing = spacing;
    out(doc, wordSpacingLine(doc, spacing));
  }
}

/// The background and frame part of a cell line.
std::string frame(PdfDocument& doc, float w, float h, int border, bool fill) {
  std::string line;
  const float x = doc.x, y = doc.y;
  if (fill || border == 1) {
    const char* op = fill && border == 1 ? "B " : fill ? "f " : "S ";
    line += pdfPoint(doc, x, y) + " " + number(doc, w * doc.scale) + " " +
            number(doc, -h * doc.scale) + " re " + op;
  }
  if (border < 0) {
    const int edges = -border;
    const auto edge = [&](float x1, float y1, float x2, float y2) {
      line += pdfPoint(doc, x1, y1) + " m " + pdfPoint(doc, x2, y2) + " l S ";
    };
    if (edges & kCellLeft)
      edge(x, y, x, y + h);
    if (edges & kCellTop)
      edge(x, y, x + w, y);
    if (edges & kCellRight)
      edge(x + w, y, x + w, y + h);
    if (edges & kCellBottom)
      edge(x, y + h, x + w, y + h);
  }
  return line;
}

}  // namespace

int cell(PdfDocument& doc, float w, float h, std::string_view text, int border, int ln,
         std::string_view align, bool fill, int link) {
  // Without an open page the line would land in the file body and break the document.
  if (doc.state != 2 || doc.pages.empty()) {
    doc.lastError = PdfError::NoPage;
    return 0;
  }
  if (text.ends_with('\n'))
    text.remove_suffix(1);
  if (text.ends_with('\r'))
    text.remove_suffix(1);
  breakPageIfNeeded(doc, h);
  if (w == 0)
    w = doc.pageWidth - doc.rightMargin - doc.x;
  const std::string alignment = upperAscii(align);
  const bool hasFont = currentFont(doc) != nullptr;
  std::string prefix = frame(doc, w, h, border, fill);
  std::string suffix;
  const bool withText = !text.empty() && hasFont;
  bool justified = false;
  if (withText) {
    const float width = stringWidth(doc, text);
    float dx = doc.cellMargin;
    if (alignment == "R")
      dx = w - doc.cellMargin - width;
    else if (alignment == "C")
      dx = (w - width) / 2;
    const auto blanks = static_cast<float>(std::ranges::count(text, ' '));
    if (alignment == "FJ") {
      justified = true;
      doc.wordSpacing = w - 2 * doc.cellMargin - width;
      if (blanks > 0)
        doc.wordSpacing /= blanks;
      out(doc, wordSpacingLine(doc, doc.wordSpacing));
    }
    if (doc.colourFlag)
      prefix += "q " + doc.textColour + " ";
    const float baseline = doc.y + 0.5f * h + 0.3f * doc.fontSize;
    prefix += "BT " + pdfPoint(doc, doc.x + dx, baseline) + " Td (";
    suffix = ") Tj ET";
    if (doc.underline) {
      const float lineWidth = width + (justified ? doc.wordSpacing * blanks : 0);
      suffix += ' ';
      suffix += pdfPoint(doc, doc.x + dx, baseline + 0.1f * doc.fontSize);
      suffix += ' ';
      suffix += number(doc, lineWidth * doc.scale);
      suffix += ' ';
      suffix += number(doc, -0.05f * doc.fontSize * doc.scale);
      suffix += " re f";
    }
    if (doc.colourFlag)
      suffix += " Q";
    if (link > 0)
      setLinkArea(doc, doc.x + dx, doc.y + 0.5f * h - 0.5f * doc.fontSize, width, doc.fontSize,
                  link);
    appendBuffer(doc, buildTextString(doc, prefix, text, suffix, false));
  } else if (!prefix.empty()) {
    out(doc, prefix);  // frame or background only, written as collected
  }
  if (justified) {
    out(doc, "0 Tw");
    doc.wordSpacing = 0;
  }
  doc.lastHeight = h;
  if (ln > 0) {
    doc.y += h;
    if (ln == 1)
      doc.x = doc.leftMargin;
  } else {
    doc.x += w;
  }
  return text.empty() || hasFont ? 1 : 0;
}

int writeText(PdfDocument& doc, float h, std::string_view input, int link) {
  const PdfFont* font = currentFont(doc);
  if (!font)
    return 0;
  // A copy: a header run by a page break may load another font and move the font list.
  const std::array<std::int16_t, 256> widths = font->widths;
  std::string text(input);
  std::erase(text, '\r');  // CR LF line ends break like LF
  const auto room = [&] { return doc.pageWidth - doc.rightMargin - doc.x; };
  const float unit = doc.fontSize / 1000.0f;
  const auto piece = [&](std::size_t from, std::size_t to) {
    cell(doc, doc.pageWidth - doc.rightMargin - doc.x, h,
         std::string_view(text).substr(from, to - from), 0, 1, "", false, link);
  };
  float available = room();
  std::size_t start = 0;
  std::size_t lastBlank = std::string::npos;
  float width = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\n') {
      piece(start, i);
      start = ++i;
      lastBlank = std::string::npos;
      width = 0;
      available = room();
      continue;
    }
    if (c == ' ')
      lastBlank = i;
    width += static_cast<float>(widths[static_cast<unsigned char>(c)]) * unit;
    if (width > available) {
      if (lastBlank == std::string::npos) {
        if (i == start)
          ++i;  // a single character wider than the line still moves on
        piece(start, i);
      } else {
        piece(start, lastBlank);
        i = lastBlank + 1;
      }
      start = i;
      lastBlank = std::string::npos;
      width = 0;
      available = room();
      continue;
    }
    ++i;
  }
  if (start < text.size()) {
    const std::string_view rest = std::string_view(text).substr(start);
    cell(doc, stringWidth(doc, rest), h, rest, 0, 0, "", false, link);
  }
  return 1;
}

int writeShifted(PdfDocument& doc, float h, std::string_view text, int link, int sizePt,
                 float offsetPt) {
  const float previous = doc.fontSizePt;
  setFontSize(doc, sizePt);
  const float shift =
      (static_cast<float>(sizePt) - previous) / doc.scale * 0.3f + offsetPt / doc.scale;
  // y is moved directly rather than through setY, which would read a position raised above
  // the top edge (negative) as one counted from the bottom.
  doc.y -= shift;
  writeText(doc, h, text, link);
  doc.y += shift;
  setFontSize(doc, static_cast<int>(previous));
  return 1;
}

float getX(const PdfDocument& doc) {
  return doc.x;
}

float getY(const PdfDocument& doc) {
  return doc.y;
}

int setX(PdfDocument& doc, float x) {
  doc.x = x < 0 ? doc.pageWidth + x : x;
  return 1;
}

int setY(PdfDocument& doc, float y) {
  doc.x = doc.leftMargin;
  doc.y = y < 0 ? doc.pageHeight + y : y;
  return 1;
}

float getScale(const PdfDocument& doc) {
  return doc.scale;
}

float getFontSizePt(const PdfDocument& doc) {
  return doc.fontSizePt;
}

}  // namespace korvalis
