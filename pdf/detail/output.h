// The writer's own helpers, shared by its parts; not part of its interface (see pdf/pdf.h).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "pdf/pdf_document.h"

namespace korvalis {

/// The largest magnitude a number in the file may have: readers hold a number's integer part
/// in 32 bits.
inline constexpr double kPdfNumberLimit = 2147483647.0;

/// Marks the document as not savable and keeps `error` as the reason.
void failAssembly(PdfDocument& doc, PdfError error);

/// Appends one line (text and a line feed) to the open page's content, else to the body.
void out(PdfDocument& doc, std::string_view text);
/// Appends raw bytes and a line feed to the same place.
void appendBuffer(PdfDocument& doc, const PdfBuffer& buffer);
void appendBytes(PdfDocument& doc, std::span<const std::uint8_t> bytes);
/// Starts the next object ("N 0 obj") and records its offset; returns its number.
int newObject(PdfDocument& doc);
/// "stream", the bytes, "endstream".
void putStream(PdfDocument& doc, const PdfBuffer& buffer);
/// "stream", external data that is copied into the output when it is written, "endstream".
void putExternalStream(PdfDocument& doc, const PdfExternalData& data);
/// The offset the next body byte will have in the file (spliced data included).
std::int64_t fileOffset(const PdfDocument& doc);

/// Fixed-point text with `decimals` digits after a "." whatever the locale; nothing for a
/// value that is not finite or beyond kPdfNumberLimit.
std::optional<std::string> formatNumber(double value, int decimals);
/// formatNumber for output into `doc`; a refused value fails the document and gives "0".
std::string pdfNumber(PdfDocument& doc, double value, int decimals);
/// "X Y" in points from the bottom-left corner, two decimals, of a point given in user units
/// from the page's top-left corner.
std::string pdfPoint(PdfDocument& doc, double x, double y);

/// The text with its ASCII letters upper-cased; other bytes stay, whatever the locale.
std::string upperAscii(std::string_view text);
/// True when the texts are equal but for the case of ASCII letters.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);
/// prefix + the Windows-1252 text + suffix; in Unicode mode (forced, or a Unicode font) the
/// text becomes FE FF and UTF-16BE. Text bytes are escaped for a literal string.
PdfBuffer buildTextString(const PdfDocument& doc, std::string_view prefix, std::string_view text,
                          std::string_view suffix, bool forceUnicode);
/// "+hh'mm'", "-hh'mm'" or "Z" for an offset in minutes east of UTC.
std::string timeZoneSuffix(int offsetMinutes);
/// Empties the pages, images, fonts, links, notes, attachments and script of a finished or
/// abandoned document and forgets their object numbers.
void forgetDocumentContent(PdfDocument& doc);
/// Runs the end-page hooks and leaves the page (state 1).
void finishPage(PdfDocument& doc);

// Document output steps of the writer's parts, called by closeDocument.
void putImages(PdfDocument& doc);
/// Writes the embedded font files, then each font's objects, in order of first use.
void putFonts(PdfDocument& doc);
/// Writes the embedded files and their name tree and sets `namesObject`; with a document
/// script the script's objects are written here too and one names dictionary holds both.
void putAttachments(PdfDocument& doc);
/// Writes the bookmark objects and the outline dictionary; nothing without bookmarks.
void putBookmarks(PdfDocument& doc);
/// Writes the catalog's "/Outlines" and "/PageMode /UseOutlines" when an outline was written.
void putOutlineCatalogEntries(PdfDocument& doc);
/// Writes the objects of the notes with a pop-up (before the page objects).
void putNotes(PdfDocument& doc);
/// Writes "/Annots [...]" for page `page` (1-based) when it has link or note annotations.
void putPageAnnotations(PdfDocument& doc, int page);
/// Writes the script's name tree and action objects once per document and returns the name
/// tree's object number (`scriptObject`); 0 without a script.
int writeScriptObjects(PdfDocument& doc);
/// Writes the script objects unless they are already written; nothing without a script.
void putScript(PdfDocument& doc);
/// Writes "/Names <</JavaScript N 0 R>>" when the script has no shared names dictionary.
void putScriptCatalogEntry(PdfDocument& doc);
/// The current font, or null when none is selected.
const PdfFont* currentFont(const PdfDocument& doc);
/// The note icon name as written: one of the accepted names in its capitalisation, or "Note".
std::string_view noteIconName(std::string_view icon);

}  // namespace korvalis
