#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/fonts/installed_font.h"
#include "pdf/pdf_buffer.h"
#include "pdf/pdf_error.h"

namespace korvalis {

/// One page's content-stream text.
struct PdfPage {
  PdfBuffer content;
};

/// Page size in points.
struct PdfPageSize {
  float width = 0;
  float height = 0;
};

/// Stream data the document body does not hold: a caller's block or a file, copied into the
/// output only when the document is saved.
struct PdfExternalData {
  std::span<const std::uint8_t> memory;  ///< borrowed block; unused when `path` is set
  std::string path;                      ///< file read while saving
  std::int64_t size = 0;                 ///< bytes (a file's size when it was placed)
};

/// A raster image or metafile form placed in the document, in order of first use.
struct PdfImage {
  const std::uint8_t* sourceData = nullptr;  ///< caller's block (borrowed), or null: read `name`
  std::int32_t sourceSize = 0;
  PdfBuffer palette;
  PdfBuffer imageData;
  std::int32_t objectNumber = 0;
  std::int32_t index = 0;  ///< 1-based; resource name "/I" + index ("/FO" + index for a form)
  std::int32_t bitsPerComponent = 0;
  std::int32_t boxX = 0, boxY = 0;
  std::int32_t width = 0, height = 0;
  std::string name;
  std::string colourSpace;
  std::string decodeParms;
  std::string filter;  ///< "DCTDecode", "FlateDecode" or "WMF"
  /// JPEG data left where it is (the caller's block or the file) instead of imageData.
  std::optional<PdfExternalData> external;
};

/// A font in use, one per distinct family and style in order of first use (see
/// pdf/fonts/pdf_fonts.h).
struct PdfFont {
  std::int32_t objectNumber = 0;  ///< font dictionary, set at output
  std::int32_t index = 0;         ///< 1-based; resource name "/F" + index
  std::int32_t kind = 0;          ///< 0 = base font, 1 = TrueType
  bool unicode = false;           ///< composite 16-bit output; never set (not offered)
  // TrueType metrics; ascent, descent, cap height and box in thousandths of the em.
  std::int32_t unitsPerEm = 0, glyphCount = 0;
  std::int32_t ascent = 0, descent = 0, capHeight = 0;
  std::int32_t italicAngle = 0;  ///< degrees
  std::int32_t stemV = 0;        ///< 120 or 70
  std::array<std::int32_t, 4> boundingBox{};
  std::int32_t missingWidth = 0;  ///< advance width of glyph 0
  std::int32_t fileIndex = -1;    ///< entry in fontFiles holding the embedded file; -1 = none
  std::string styleName;          ///< TrueType subfamily name
  std::string baseName;           ///< PDF font name, or the system face name
  std::string style;              ///< "", "B", "I" or "BI"
  std::string key;                ///< family and style, upper case
  /// Advance width of each 8-bit code in thousandths of the em (for TrueType, the width of
  /// the glyph the Windows-1252 character maps to).
  std::array<std::int16_t, 256> widths{};
};

/// An embedded TrueType font file.
struct PdfFontFile {
  std::vector<std::uint8_t> data;     ///< the whole font file
  std::int32_t objectNumber = 0;      ///< 0 until written, -1 while being written
  std::string fontName;               ///< face name it belongs to
  bool bold = false, italic = false;  ///< style it was loaded with
};

/// One link identifier (1-based position in PdfDocument::links): a link, launch or text note
/// with its clickable area.
struct PdfLink {
  std::int32_t kind = 0;         ///< 0 undefined, 1 link, 2 launch, 3 text note, 4 note with pop-up
  std::int32_t popupObject = 0;  ///< kind 4: object of the pop-up; the note is the next one
  std::int32_t page = 0;         ///< page of the clickable area; 0 = no area yet
  std::int32_t targetPage = 0;   ///< page given when the target was set
  float areaX = 0, areaTop = 0, areaWidth = 0, areaHeight = 0;  ///< points, top from bottom
  float targetY = 0;                                            ///< kind 1, user units
  float popupWidth = 0, popupHeight = 0;                        ///< kind 4, points
  std::int32_t flags = 0;                                       ///< kinds 3 and 4: "/F"
  /// kind 1: address; kind 2: file, directory, operation, parameters; kinds 3 and 4: icon,
  /// contents, title, modification date.
  std::string text1, text2, text3, text4;
};

/// A link area that image placement registers on a page.
struct PdfAnnotation {
  std::int32_t page = 0;             ///< 1-based
  float x = 0, y = 0, w = 0, h = 0;  ///< points, PDF coordinates
  std::int32_t link = 0;             ///< link identifier (addLink) whose target it takes
};

/// An embedded file.
struct PdfAttachment {
  std::string fileName;     ///< escaped for a PDF string
  std::string description;  ///< escaped for a PDF string
  PdfBuffer data;
  std::int32_t size = 0;
  std::string created, modified;  ///< "D:yyyymmddhhmmssZ"
  std::int32_t objectNumber = 0;
};

/// One bookmark of the document outline, in the order it was added.
struct PdfBookmark {
  std::string title;  ///< Windows-1252 text
  int level = 0;      ///< 0 = top level
  float y = 0;        ///< position on its page, user units from the top
  int page = 0;       ///< 1-based page number
  int parent = -1;    ///< index of the parent bookmark; -1 = the outline dictionary
  int first = -1;     ///< index of the first child; -1 = none
  int last = -1;      ///< index of the last child; -1 = none
  int prev = -1;      ///< index of the previous sibling; -1 = none
  int next = -1;      ///< index of the next sibling; -1 = none
};

/// External data that goes into the output at byte `at` of the body.
struct PdfSplice {
  std::int32_t at = 0;
  PdfExternalData data;
};

using PdfHook = std::function<void()>;
/// Header/footer procedure; receives the stored argument (0 = none).
using PdfPageProcedure = std::function<void(int)>;
/// Returns true when an automatic page break may happen.
using PdfPageBreakProcedure = std::function<bool()>;
/// Replaces the buffer content with zlib data and returns true, or leaves it and returns false.
using PdfCompressor = std::function<bool(PdfBuffer&)>;

/// The whole state of the document being built. There is one per process (pdfWriter()), but
/// every operation takes it explicitly so a program may keep several. The fields are the
/// writer's: read them, change them only through the operations. Not copyable or movable: the
/// registered hooks refer to it.
struct PdfDocument {
  PdfDocument() = default;
  PdfDocument(const PdfDocument&) = delete;
  PdfDocument& operator=(const PdfDocument&) = delete;

  // Life cycle
  int state = 0;  ///< 0 none, 1 begun, 2 page open, 3 finished
  int pageCount = 0;
  int objectCount = 2;
  PdfError lastError = PdfError::None;
  /// Something could not be added while the document was built (out of memory, a number out
  /// of range, the size limit): it cannot be saved.
  bool assemblyFailed = false;

  // Output
  PdfBuffer body;
  std::vector<PdfSplice> splices;  ///< external data between the body's bytes, in order
  std::int64_t splicedBytes = 0;   ///< their total size
  /// Largest file the document may become (the cross-reference table holds 32-bit offsets).
  std::int64_t maxFileSize = 0x7FFFFFFF;
  std::vector<std::int32_t> objectOffsets;  ///< entry i: offset of object i+1
  std::vector<PdfPage> pages;
  std::vector<PdfPageSize> pageSizes;
  std::vector<std::int32_t> pageObjectNumbers;  ///< entry i: object number of page i+1

  // Geometry
  float scale = 72.0f / 25.4f;
  std::string defaultOrientation = "P";
  std::string currentOrientation = "P";
  float formatWidthPt = 0, formatHeightPt = 0, formatWidth = 0, formatHeight = 0;
  float pageWidthPt = 0, pageHeightPt = 0, pageWidth = 0, pageHeight = 0;
  float leftMargin = 0, topMargin = 0, rightMargin = 0, bottomMargin = 0;
  float cellMargin = 0;
  float x = 0, y = 0;
  float lastHeight = 0;
  bool autoPageBreak = false;
  float pageBreakTrigger = 0;

  // Drawing state
  float lineWidth = 0;
  std::string fontFamily;
  std::string fontStyle;
  bool underline = false;
  float fontSizePt = 12;
  float fontSize = 12 / (72.0f / 25.4f);  ///< user units
  int currentFont = -1;                   ///< index into fonts; -1 = none
  std::string drawColour = "0 G";
  std::string fillColour = "0 g";
  std::string textColour = "0 g";
  bool colourFlag = false;
  bool graphicsStateSaved = false;  ///< an unbalanced "q" to close at page end
  int openTransforms = 0;           ///< "q" brackets of startTransform open on this page
  float wordSpacing = 0;            ///< user units; set by justified cells

  // Viewer settings
  int zoomMode = -2;
  std::string pageLayout = "/OneColumn";

  // Information texts (Windows-1252)
  std::string title, subject, author, keywords, creator;

  // Page decoration
  std::string totalPagesAlias;
  PdfPageProcedure headerProcedure;
  int headerArgument = 0;
  PdfPageProcedure footerProcedure;
  int footerArgument = 0;
  bool inFooter = false;
  bool numberingActive = false;
  int numberingFlag = 0;
  int pageNumber = 1;

  // Locale and time
  char decimalSeparator = '.';
  std::string timeZoneSuffix = "Z";
  int timeZoneOffsetMinutes = 0;  ///< local minutes east of UTC, taken by createDocument

  // Optional procedures
  PdfPageBreakProcedure pageBreakProcedure;
  PdfCompressor compressor;
  /// Supplies installed TrueType fonts by family and style; null = the system's fonts
  /// (fontconfig). Tests hand in their own.
  InstalledFontSource fontSource;

  // Extension hooks, called in registration order
  std::vector<PdfHook> endPageHooks;
  std::vector<PdfHook> catalogHooks;
  std::vector<PdfHook> resourceHooks;
  std::vector<PdfHook> resetHooks;
  /// Register the built-in catalog, resource and reset hooks of the outline, viewer-preference
  /// and script code; run by initialiseWriter and reregisterHooks after the lists are emptied.
  std::vector<PdfHook> builtInHookInstallers;

  int namesObject = 0;

  // Collections of the other parts
  std::vector<PdfImage> images;
  std::vector<PdfFont> fonts;
  std::vector<PdfFontFile> fontFiles;
  std::vector<PdfLink> links;
  std::vector<PdfAnnotation> annotations;  ///< link areas over placed images
  std::vector<PdfBookmark> bookmarks;
  int outlineRoot = 0;
  std::vector<PdfAttachment> attachments;
  std::string script;
  int scriptObject = 0;
  bool annotationHooksInstalled = false;  ///< the annotation output hooks are registered
};

/// The process-wide document.
PdfDocument& pdfWriter();

// Life cycle and settings. Texts are Windows-1252 bytes; coordinates and sizes are user units
// from the page's top-left corner. Operations returning int give 1 for success and 0 for
// failure (the reason in lastError / lastErrorMessage); the others cannot fail.

/// Empties the hook lists and registers the built-in hooks again; createDocument does this for
/// every new document, so calling it once at program start is optional.
int initialiseWriter(PdfDocument& doc);
/// Empties the catalog, resource and reset hook lists and registers the built-in ones again.
int reregisterHooks(PdfDocument& doc);
/// Starts a new document, forgetting everything of the previous one (pages, images, fonts,
/// links, bookmarks, attachments, script, information texts, procedures). `orientation` "P" or
/// "L" (empty = "P"), `unit` "pt", "mm", "cm" or "in" (anything else = "mm"), `format`
/// "WIDTH,HEIGHT" in points (empty = A4). Returns 0 for a format that is not two positive
/// numbers a PDF file can hold.
int createDocument(PdfDocument& doc, std::string_view orientation, std::string_view unit,
                   std::string_view format);
int setMargins(PdfDocument& doc, float left, float top, float right = -1);
int setAutoPageBreak(PdfDocument& doc, bool enabled, float margin);
/// Ends the open page (footer procedure) and opens a new one (header procedure); empty texts
/// take the document's orientation and format. Returns 0 for a format createDocument refuses.
int addPage(PdfDocument& doc, std::string_view orientation = {}, std::string_view format = {});
/// `zoom`: -1 whole page, -2 page width, -3 actual size, -4 full screen, else percent;
/// `layout`: "/SinglePage", "/OneColumn" (the default for anything else) or "/TwoColumnLeft".
int setDisplayMode(PdfDocument& doc, int zoom, std::string_view layout);
int setTitle(PdfDocument& doc, std::string_view text);
int setSubject(PdfDocument& doc, std::string_view text);
int setAuthor(PdfDocument& doc, std::string_view text);
int setKeywords(PdfDocument& doc, std::string_view text);
int setCreator(PdfDocument& doc, std::string_view text);
/// Every occurrence of `text` in the page contents becomes the number of pages.
int setTotalPagesAlias(PdfDocument& doc, std::string_view text);
/// The procedure runs when a page begins (header) or ends (footer); it gets `argument`.
int setHeaderProcedure(PdfDocument& doc, PdfPageProcedure procedure, int argument);
int setFooterProcedure(PdfDocument& doc, PdfPageProcedure procedure, int argument);
int startPageNumbering(PdfDocument& doc);
int stopPageNumbering(PdfDocument& doc);
bool isPageNumbering(const PdfDocument& doc);
int getNumberingFlag(const PdfDocument& doc);
int setNumberingFlag(PdfDocument& doc, int value);
int getPageNumber(const PdfDocument& doc);
/// Decides whether an automatic page break may happen (instead of the autoPageBreak flag).
int setPageBreakProcedure(PdfDocument& doc, PdfPageBreakProcedure procedure);
bool acceptsPageBreak(const PdfDocument& doc);
/// Installs a compressor for page contents, forms, font files and attachments.
int setCompressor(PdfDocument& doc, PdfCompressor compressor);
/// A zlib deflate compressor callers may install with setCompressor.
bool zlibCompress(PdfBuffer& buffer);
/// Moves to the left margin, `height` down (the last line's height when negative).
int newLine(PdfDocument& doc, float height = -1);
/// Finishes the document in memory (a blank page when none was added).
int closeDocument(PdfDocument& doc);
/// Finishes the document and writes it to `path` through a temporary file in the same folder
/// that replaces `path` only when complete, so a failure leaves an existing file untouched.
/// Image data borrowed by placeImage is read now. An empty path writes nothing. Returns 0 and
/// writes nothing when the document could not be assembled completely, the file name is not
/// valid (FileName) or the file cannot be written (FileCreate, or ImageRead when an image file
/// changed since it was placed).
int saveDocument(PdfDocument& doc, std::string_view path);
/// The finished document's bytes (after closeDocument, before saveDocument), borrowed image
/// data included; nothing when it could not be assembled or an image file cannot be read.
std::optional<std::vector<std::uint8_t>> documentBytes(const PdfDocument& doc);
std::string_view lastErrorMessage(const PdfDocument& doc);

}  // namespace korvalis
