// Writing the font objects when the document is closed.
#include <string>

#include "pdf/detail/output.h"
#include "pdf/fonts/ascii85.h"
#include "pdf/fonts/pdf_fonts.h"

namespace korvalis {
namespace {

/// A name object's text: blanks (and the other bytes a PDF name cannot hold as they are)
/// written as "#" and two hex digits, so "Times New Roman" becomes "Times#20New#20Roman".
std::string pdfName(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string result;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = byte > 32 && byte < 127 &&
                       std::string_view("#()<>[]{}/%").find(c) == std::string_view::npos;
    if (plain) {
      result += c;
    } else {
      result += '#';
      result += kHex[byte >> 4];
      result += kHex[byte & 15];
    }
  }
  return result;
}

/// The font file as its stream holds it: deflated when a compressor takes it, otherwise
/// ASCII85-encoded; `filter` names the encoding. False when memory runs out.
bool encodeFontFile(PdfDocument& doc, const PdfFontFile& file, PdfBuffer& stream,
                    std::string& filter) {
  if (doc.compressor) {
    if (!stream.append(file.data))
      return false;
    if (doc.compressor(stream)) {
      filter = "/FlateDecode";
      return true;
    }
    stream.length = 0;
  }
  filter = "/ASCII85Decode";
  return stream.append(ascii85Encode(file.data));
}

void putFontFile(PdfDocument& doc, PdfFontFile& file) {
  // Encoded before its object starts, so running out of memory leaves no half-written object
  // (the descriptor then names no font file).
  PdfBuffer stream;
  std::string filter;
  if (!encodeFontFile(doc, file, stream, filter)) {
    failAssembly(doc, PdfError::OutOfMemory);
    return;
  }
  file.objectNumber = newObject(doc);
  out(doc, "<<");
  out(doc, "/Filter " + filter);
  out(doc, "/Length " + std::to_string(stream.length));
  out(doc, "/Length1 " + std::to_string(file.data.size()));
  out(doc, ">>");
  putStream(doc, stream);
  out(doc, "endobj");
}

void putBaseFont(PdfDocument& doc, const PdfFont& font) {
  out(doc, "<</Type /Font");
  out(doc, "/BaseFont /" + font.baseName);
  out(doc, "/Subtype /Type1");
  if (font.baseName != "Symbol" && font.baseName != "ZapfDingbats")
    out(doc, "/Encoding /WinAnsiEncoding");
  out(doc, ">>");
  out(doc, "endobj");
}

/// The widths array object, the font dictionary (object `font.objectNumber`) and the
/// descriptor right after it.
void putTrueTypeFont(PdfDocument& doc, PdfFont& font) {
  const std::string name = pdfName(font.baseName);
  const int widthsObject = newObject(doc);
  std::string widths = "[";
  for (std::size_t code = 0; code < font.widths.size(); ++code)
    widths.append(code == 0 ? "" : " ").append(std::to_string(font.widths[code]));
  out(doc, widths + "]");
  out(doc, "endobj");

  font.objectNumber = newObject(doc);
  out(doc, "<</Type /Font");
  out(doc, "/Subtype /TrueType");
  out(doc, "/Name /F" + std::to_string(font.index));
  out(doc, "/BaseFont /" + name);
  out(doc, "/Encoding /WinAnsiEncoding");
  out(doc, "/FirstChar 0");
  out(doc, "/LastChar 255");
  out(doc, "/Widths " + std::to_string(widthsObject) + " 0 R");
  out(doc, "/FontDescriptor " + std::to_string(font.objectNumber + 1) + " 0 R");
  out(doc, ">>");
  out(doc, "endobj");

  newObject(doc);
  out(doc, "<</Type /FontDescriptor");
  out(doc, "/FontName /" + name);
  out(doc, "/Ascent " + std::to_string(font.ascent));
  out(doc, "/Descent " + std::to_string(font.descent));
  out(doc, "/CapHeight " + std::to_string(font.capHeight));
  out(doc, "/Flags 4");
  const auto& box = font.boundingBox;
  out(doc, "/FontBBox [" + std::to_string(box[0]) + " " + std::to_string(box[1]) + " " +
               std::to_string(box[2]) + " " + std::to_string(box[3]) + "]");
  out(doc, "/ItalicAngle " + pdfNumber(doc, font.italicAngle, 2));
  out(doc, "/StemV " + std::to_string(font.stemV));
  out(doc, "/MissingWidth " + std::to_string(font.missingWidth));
  // The file this font was loaded from (same face and style), not merely one of its family.
  if (font.fileIndex >= 0 && font.fileIndex < static_cast<int>(doc.fontFiles.size())) {
    const int fileObject = doc.fontFiles[static_cast<std::size_t>(font.fileIndex)].objectNumber;
    if (fileObject > 0)
      out(doc, "/FontFile2 " + std::to_string(fileObject) + " 0 R");
  }
  out(doc, ">>");
  out(doc, "endobj");
}

}  // namespace

void putFonts(PdfDocument& doc) {
  for (PdfFontFile& file : doc.fontFiles) {
    if (file.objectNumber == 0)
      putFontFile(doc, file);
  }
  for (PdfFont& font : doc.fonts) {
    if (font.kind == 0) {
      font.objectNumber = newObject(doc);
      putBaseFont(doc, font);
    } else {
      putTrueTypeFont(doc, font);
    }
  }
}

}  // namespace korvalis
