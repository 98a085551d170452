#include "pdf/pdf_document.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <clocale>
#include <cmath>
#include <ctime>
#include <optional>

#include "pdf/detail/annotation_hooks.h"
#include "pdf/detail/output.h"
#include "pdf/fonts/pdf_fonts.h"

namespace korvalis {

namespace {

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return text;
}

/// A page dimension in points: a whole decimal number, positive and small enough for a PDF
/// number.
std::optional<float> parseDimension(std::string_view text) {
  text = trimmed(text);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
      value <= 0 || value > kPdfNumberLimit)
    return std::nullopt;
  return static_cast<float>(value);
}

/// "WIDTH,HEIGHT" in points; nothing unless both are valid dimensions.
std::optional<PdfPageSize> parseFormat(std::string_view format) {
  const auto comma = format.find(',');
  if (comma == std::string_view::npos)
    return std::nullopt;
  const auto width = parseDimension(format.substr(0, comma));
  const auto height = parseDimension(format.substr(comma + 1));
  if (!width || !height)
    return std::nullopt;
  return PdfPageSize{*width, *height};
}

void applyFormat(PdfDocument& doc, PdfPageSize format) {
  doc.formatWidthPt = format.width;
  doc.formatHeightPt = format.height;
  doc.formatWidth = doc.formatWidthPt / doc.scale;
  doc.formatHeight = doc.formatHeightPt / doc.scale;
}

/// Forgets everything the previous document collected.
void resetDocumentState(PdfDocument& doc) {
  forgetDocumentContent(doc);
  doc.bookmarks.clear();
  doc.title.clear();
  doc.subject.clear();
  doc.author.clear();
  doc.keywords.clear();
  doc.creator.clear();
  doc.totalPagesAlias.clear();
  doc.splices.clear();
  doc.splicedBytes = 0;
  doc.assemblyFailed = false;
  doc.graphicsStateSaved = false;
  doc.openTransforms = 0;
  doc.wordSpacing = 0;
  doc.inFooter = false;
}

bool isLandscape(std::string_view orientation) {
  const std::string u = upperAscii(trimmed(orientation));
  return u == "L" || u == "LANDSCAPE";
}

void applyOrientation(PdfDocument& doc, bool landscape) {
  doc.pageWidthPt = landscape ? doc.formatHeightPt : doc.formatWidthPt;
  doc.pageHeightPt = landscape ? doc.formatWidthPt : doc.formatHeightPt;
  doc.pageWidth = doc.pageWidthPt / doc.scale;
  doc.pageHeight = doc.pageHeightPt / doc.scale;
  doc.pageBreakTrigger = doc.pageHeight - doc.bottomMargin;
}

float unitScale(std::string_view unit) {
  if (unit == "pt")
    return 1.0f;
  if (unit == "cm")
    return 72.0f / 2.54f;
  if (unit == "in")
    return 72.0f;
  return 72.0f / 25.4f;
}

void callProcedure(const PdfPageProcedure& procedure, int argument) {
  if (procedure)
    procedure(argument);
}

void endPage(PdfDocument& doc) {
  // Brackets of startTransform still open are closed on their page, in every document.
  for (; doc.openTransforms > 0; --doc.openTransforms)
    out(doc, "Q");
  for (const auto& hook : doc.endPageHooks)
    hook();
  doc.state = 1;
}

bool beginPage(PdfDocument& doc, std::string_view orientation, PdfPageSize* format) {
  ++doc.pageCount;
  doc.pages.emplace_back();
  if (!doc.pages.back().content.ensureCapacity(PdfBuffer::kGrowthStep)) {
    failAssembly(doc, PdfError::OutOfMemory);
    return false;
  }
  doc.state = 2;
  doc.graphicsStateSaved = false;  // every page starts with a fresh graphics state
  doc.x = doc.leftMargin;
  doc.y = doc.topMargin;
  doc.fontFamily.clear();
  std::string chosen = doc.defaultOrientation;
  if (!trimmed(orientation).empty())
    chosen = upperAscii(trimmed(orientation).substr(0, 1));
  if (format) {
    applyFormat(doc, *format);
    applyOrientation(doc, chosen == "L");
    doc.currentOrientation = chosen;
  } else if (chosen != doc.currentOrientation) {
    applyOrientation(doc, chosen == "L");
    doc.currentOrientation = chosen;
  }
  doc.pageSizes.push_back({doc.pageWidthPt, doc.pageHeightPt});
  return true;
}

void writeLineWidth(PdfDocument& doc) {
  out(doc, pdfNumber(doc, doc.lineWidth * doc.scale, 2) + " w");
}

}  // namespace

void forgetDocumentContent(PdfDocument& doc) {
  doc.pages.clear();
  doc.pageSizes.clear();
  doc.objectOffsets.clear();
  doc.images.clear();
  doc.fonts.clear();
  doc.fontFiles.clear();
  doc.links.clear();
  doc.annotations.clear();
  doc.attachments.clear();
  doc.script.clear();
  // Object numbers of one document mean nothing in the next one.
  doc.scriptObject = 0;
  doc.outlineRoot = 0;
  doc.namesObject = 0;
}

PdfDocument& pdfWriter() {
  static PdfDocument document;
  return document;
}

int initialiseWriter(PdfDocument& doc) {
  doc.endPageHooks.clear();
  doc.endPageHooks.emplace_back([&doc] {
    // Closes a graphics state left saved on this page.
    if (doc.graphicsStateSaved) {
      out(doc, "Q");
      doc.graphicsStateSaved = false;
    }
  });
  installAnnotationHooks(doc);
  reregisterHooks(doc);
  return 1;
}

int reregisterHooks(PdfDocument& doc) {
  doc.catalogHooks.clear();
  doc.resourceHooks.clear();
  doc.resetHooks.clear();
  doc.resetHooks.emplace_back([&doc] { doc.bookmarks.clear(); });
  for (const auto& install : doc.builtInHookInstallers)
    install();
  return 1;
}

int createDocument(PdfDocument& doc, std::string_view orientation, std::string_view unit,
                   std::string_view format) {
  if (trimmed(format).empty())
    format = "595.28,841.89";
  const auto size = parseFormat(trimmed(format));
  if (!size) {
    doc.lastError = PdfError::NumberOutOfRange;
    return 0;
  }
  resetDocumentState(doc);
  initialiseWriter(doc);
  const lconv* conv = std::localeconv();
  doc.decimalSeparator =
      conv && conv->decimal_point && *conv->decimal_point ? *conv->decimal_point : '.';
  // Dates are written in local time, so the suffix names the local offset from UTC.
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  doc.timeZoneOffsetMinutes = static_cast<int>(local.tm_gmtoff / 60);
  doc.timeZoneSuffix = timeZoneSuffix(doc.timeZoneOffsetMinutes);
  doc.headerProcedure = nullptr;
  doc.footerProcedure = nullptr;
  doc.headerArgument = doc.footerArgument = 0;
  doc.pageBreakProcedure = nullptr;
  doc.compressor = nullptr;
  doc.objectOffsets.assign(2, 0);
  doc.pageObjectNumbers.clear();
  doc.body.release();
  if (!doc.body.ensureCapacity(PdfBuffer::kGrowthStep - 1)) {
    failAssembly(doc, PdfError::OutOfMemory);
    return 0;
  }
  if (trimmed(orientation).empty())
    orientation = "P";
  if (unit.empty())
    unit = "mm";
  doc.pageCount = 0;
  doc.objectCount = 2;
  doc.state = 0;
  doc.fontFamily.clear();
  doc.fontStyle.clear();
  doc.fontSizePt = 12;
  doc.underline = false;
  doc.currentFont = -1;
  doc.drawColour = "0 G";
  doc.fillColour = doc.textColour = "0 g";
  doc.colourFlag = false;
  doc.lastError = PdfError::None;
  doc.numberingActive = false;
  doc.numberingFlag = 0;
  doc.pageNumber = 1;
  doc.scale = unitScale(unit);
  doc.fontSize = doc.fontSizePt / doc.scale;
  applyFormat(doc, *size);
  const bool landscape = isLandscape(orientation);
  doc.defaultOrientation.assign(1, landscape ? 'L' : 'P');
  doc.currentOrientation = doc.defaultOrientation;
  const float margin = 28.35f / doc.scale;
  setMargins(doc, margin, margin, -1);
  doc.cellMargin = margin / 10;
  doc.lineWidth = 0.567f / doc.scale;
  doc.bottomMargin = 2 * margin;
  applyOrientation(doc, landscape);
  setAutoPageBreak(doc, true, 2 * margin);
  setDisplayMode(doc, -2, "/OneColumn");
  doc.state = 1;
  out(doc, "%PDF-1.3");
  return 1;
}

int setMargins(PdfDocument& doc, float left, float top, float right) {
  doc.leftMargin = left;
  doc.topMargin = top;
  doc.rightMargin = right == -1 ? left : right;
  return 1;
}

int setAutoPageBreak(PdfDocument& doc, bool enabled, float margin) {
  doc.autoPageBreak = enabled;
  doc.bottomMargin = margin;
  doc.pageBreakTrigger = doc.pageHeight - margin;
  return 1;
}

int addPage(PdfDocument& doc, std::string_view orientation, std::string_view format) {
  std::optional<PdfPageSize> pageFormat;
  if (!trimmed(format).empty() && !(pageFormat = parseFormat(trimmed(format)))) {
    doc.lastError = PdfError::NumberOutOfRange;
    return 0;
  }
  if (doc.state == 0 || doc.state == 3) {
    if (!createDocument(doc, "", "", ""))
      return 0;
  }
  const std::string family = doc.fontFamily;
  const std::string style = doc.fontStyle + (doc.underline ? "U" : "");
  const float size = doc.fontSizePt;
  const float width = doc.lineWidth;
  const std::string draw = doc.drawColour, fill = doc.fillColour, text = doc.textColour;
  const bool flag = doc.colourFlag;
  if (doc.pageCount > 0) {
    doc.inFooter = true;
    callProcedure(doc.footerProcedure, doc.footerArgument);
    doc.inFooter = false;
    endPage(doc);
  }
  if (!beginPage(doc, orientation, pageFormat ? &*pageFormat : nullptr))
    return 0;
  out(doc, "2 J");
  doc.lineWidth = width;
  writeLineWidth(doc);
  if (!family.empty())
    setFont(doc, family, style, static_cast<int>(std::lround(size)));
  doc.drawColour = draw;
  if (draw != "0 G")
    out(doc, draw);
  doc.fillColour = fill;
  if (fill != "0 g")
    out(doc, fill);
  doc.textColour = text;
  doc.colourFlag = flag;
  callProcedure(doc.headerProcedure, doc.headerArgument);
  if (doc.lineWidth != width) {
    doc.lineWidth = width;
    writeLineWidth(doc);
  }
  if (doc.drawColour != draw) {
    doc.drawColour = draw;
    out(doc, draw);
  }
  if (doc.fillColour != fill) {
    doc.fillColour = fill;
    out(doc, fill);
  }
  if (!family.empty())
    setFont(doc, family, style, static_cast<int>(std::lround(size)));
  doc.textColour = text;
  doc.colourFlag = flag;
  if (doc.numberingActive)
    ++doc.pageNumber;
  return 1;
}

int setDisplayMode(PdfDocument& doc, int zoom, std::string_view layout) {
  doc.zoomMode = zoom;
  const bool known =
      layout == "/SinglePage" || layout == "/OneColumn" || layout == "/TwoColumnLeft";
  doc.pageLayout = known ? std::string(layout) : "/OneColumn";
  return 1;
}

int setTitle(PdfDocument& doc, std::string_view text) {
  doc.title = text;
  return 1;
}
int setSubject(PdfDocument& doc, std::string_view text) {
  doc.subject = text;
  return 1;
}
int setAuthor(PdfDocument& doc, std::string_view text) {
  doc.author = text;
  return 1;
}
int setKeywords(PdfDocument& doc, std::string_view text) {
  doc.keywords = text;
  return 1;
}
int setCreator(PdfDocument& doc, std::string_view text) {
  doc.creator = text;
  return 1;
}
int setTotalPagesAlias(PdfDocument& doc, std::string_view text) {
  doc.totalPagesAlias = text;
  return 1;
}

int setHeaderProcedure(PdfDocument& doc, PdfPageProcedure procedure, int argument) {
  doc.headerProcedure = std::move(procedure);
  doc.headerArgument = argument;
  return 1;
}

int setFooterProcedure(PdfDocument& doc, PdfPageProcedure procedure, int argument) {
  doc.footerProcedure = std::move(procedure);
  doc.footerArgument = argument;
  return 1;
}

int startPageNumbering(PdfDocument& doc) {
  doc.numberingActive = true;
  doc.numberingFlag = 1;
  return 1;
}
int stopPageNumbering(PdfDocument& doc) {
  doc.numberingActive = false;
  return 1;
}
bool isPageNumbering(const PdfDocument& doc) {
  return doc.numberingActive;
}
int getNumberingFlag(const PdfDocument& doc) {
  return doc.numberingFlag;
}
int setNumberingFlag(PdfDocument& doc, int value) {
  doc.numberingFlag = value;
  return 1;
}
int getPageNumber(const PdfDocument& doc) {
  return doc.pageNumber;
}

int setPageBreakProcedure(PdfDocument& doc, PdfPageBreakProcedure procedure) {
  doc.pageBreakProcedure = std::move(procedure);
  return 1;
}

bool acceptsPageBreak(const PdfDocument& doc) {
  return doc.pageBreakProcedure ? doc.pageBreakProcedure() : doc.autoPageBreak;
}

int setCompressor(PdfDocument& doc, PdfCompressor compressor) {
  doc.compressor = std::move(compressor);
  return 1;
}

int newLine(PdfDocument& doc, float height) {
  doc.x = doc.leftMargin;
  doc.y += height < 0 ? doc.lastHeight : height;
  return 1;
}

void finishPage(PdfDocument& doc) {
  endPage(doc);
}

}  // namespace korvalis
