#include <zlib.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "pdf/annotations/pdf_attachments.h"
#include "pdf/annotations/pdf_links.h"
#include "pdf/fonts/pdf_fonts.h"
#include "pdf/pdf_document.h"

namespace korvalis {

namespace {

constexpr std::string_view kProducer = "Korvalis PDF writer";

void replaceAll(PdfBuffer& buffer, std::string_view from, std::string_view to) {
  if (from.empty())
    return;
  std::string text(buffer.text());
  std::string result;
  std::size_t start = 0;
  for (auto pos = text.find(from); pos != std::string::npos; pos = text.find(from, start)) {
    result.append(text, start, pos - start);
    result.append(to);
    start = pos + from.size();
  }
  result.append(text, start);
  buffer.length = 0;
  buffer.append(result);
}

void putPages(PdfDocument& doc) {
  if (!doc.totalPagesAlias.empty()) {
    for (auto& page : doc.pages)
      replaceAll(page.content, doc.totalPagesAlias, std::to_string(doc.pageCount));
  }
  putNotes(doc);  // notes with pop-ups are objects of their own, before the pages
  doc.pageObjectNumbers.clear();
  for (std::size_t i = 0; i < doc.pages.size(); ++i) {
    doc.pageObjectNumbers.push_back(newObject(doc));
    out(doc, "<</Type /Page");
    out(doc, "/Parent 1 0 R");
    const PdfPageSize size = i < doc.pageSizes.size() ? doc.pageSizes[i] : PdfPageSize{};
    out(doc,
        "/MediaBox [0 0 " + formatNumber(size.width, 2) + " " + formatNumber(size.height, 2) + "]");
    out(doc, "/Resources 2 0 R");
    putPageAnnotations(doc, static_cast<int>(i) + 1);
    out(doc, "/Contents " + std::to_string(doc.objectCount + 1) + " 0 R>>");
    out(doc, "endobj");
    PdfBuffer& content = doc.pages[i].content;
    const bool compressed = doc.compressor && doc.compressor(content);
    newObject(doc);
    out(doc, "<<" + std::string(compressed ? "/Filter /FlateDecode " : "") + "/Length " +
                 std::to_string(content.length) + ">>");
    putStream(doc, content);
    out(doc, "endobj");
    content.release();
  }
  doc.objectOffsets[0] = doc.body.length;
  out(doc, "1 0 obj");
  out(doc, "<</Type /Pages");
  std::string kids = "/Kids [";
  for (const int number : doc.pageObjectNumbers)
    kids += std::to_string(number) + " 0 R ";
  out(doc, kids + "]");
  out(doc, "/Count " + std::to_string(doc.pageCount));
  out(doc, ">>");
  out(doc, "endobj");
}

void putResources(PdfDocument& doc) {
  putFonts(doc);  // first: the embedded files and images follow the fonts
  putAttachments(doc);
  putImages(doc);
  doc.objectOffsets[1] = doc.body.length;
  out(doc, "2 0 obj");
  out(doc, "<<");
  out(doc, "/ProcSet [/PDF /Text /ImageB /ImageC /ImageI]");
  out(doc, "/Font <<");
  for (const auto& font : doc.fonts)
    out(doc, "/F" + std::to_string(font.index) + " " + std::to_string(font.objectNumber) + " 0 R");
  out(doc, ">>");
  if (!doc.images.empty()) {
    out(doc, "/XObject <<");
    for (const auto& image : doc.images)
      out(doc, (image.filter == "WMF" ? "/FO" : "/I") + std::to_string(image.index) + " " +
                   std::to_string(image.objectNumber) + " 0 R");
    out(doc, ">>");
  }
  out(doc, ">>");
  out(doc, "endobj");
  for (const auto& hook : doc.resourceHooks)
    hook();
}

void putInfoEntry(PdfDocument& doc, std::string_view key, std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos)
    return;
  appendBuffer(doc, buildTextString(doc, std::string(key) + " (", text, ")", true));
}

std::string creationDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local);
  return text;
}

void putInfo(PdfDocument& doc) {
  newObject(doc);
  out(doc, "<<");
  appendBuffer(doc, buildTextString(doc, "/Producer (", kProducer, ")", true));
  putInfoEntry(doc, "/Title", doc.title);
  putInfoEntry(doc, "/Subject", doc.subject);
  putInfoEntry(doc, "/Author", doc.author);
  putInfoEntry(doc, "/Keywords", doc.keywords);
  putInfoEntry(doc, "/Creator", doc.creator);
  out(doc, "/CreationDate (D:" + creationDate() + ")");
  out(doc, ">>");
  out(doc, "endobj");
}

std::string openAction(int zoom) {
  switch (zoom) {
    case -1:
      return "/OpenAction [1 0 R /Fit]";
    case -2:
      return "/OpenAction [1 0 R /FitH null]";
    case -3:
      return "/OpenAction [1 0 R /XYZ null null 1]";
    case -4:
      return "/PageMode/FullScreen";
    default:
      return "/OpenAction [1 0 R /XYZ null null " + formatNumber(zoom / 100.0, 2) + "]";
  }
}

void putCatalog(PdfDocument& doc) {
  newObject(doc);
  out(doc, "<<");
  out(doc, "/Type /Catalog");
  out(doc, "/Pages 1 0 R");
  if (doc.namesObject != 0)
    out(doc, "/Names " + std::to_string(doc.namesObject) + " 0 R");
  out(doc, openAction(doc.zoomMode));
  out(doc, "/PageLayout " + doc.pageLayout);
  for (const auto& hook : doc.catalogHooks)
    hook();
  out(doc, ">>");
  out(doc, "endobj");
}

void putTrailer(PdfDocument& doc) {
  const std::int32_t xrefOffset = doc.body.length;
  out(doc, "xref");
  out(doc, "0 " + std::to_string(doc.objectCount + 1));
  out(doc, "0000000000 65535 f ");
  for (int i = 0; i < doc.objectCount; ++i) {
    char line[32];
    std::snprintf(line, sizeof line, "%010d 00000 n ",
                  doc.objectOffsets[static_cast<std::size_t>(i)]);
    out(doc, line);
  }
  out(doc, "trailer");
  out(doc, "<<");
  out(doc, "/Size " + std::to_string(doc.objectCount + 1));
  out(doc, "/Root " + std::to_string(doc.objectCount) + " 0 R");
  out(doc, "/Info " + std::to_string(doc.objectCount - 1) + " 0 R");
  out(doc, ">>");
  out(doc, "startxref");
  out(doc, std::to_string(xrefOffset));
  out(doc, "%%EOF");
}

bool validFileName(std::string_view path) {
  const auto slash = path.find_last_of('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  if (name.empty())
    return false;
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 32)
      return false;
    if (std::string_view("\"\\/:*?<>|").find(c) != std::string_view::npos)
      return false;
  }
  return true;
}

/// Writes to a temporary name first and renames, so a failed write never leaves a partial file.
bool writeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  const std::string temporary = path + ".part";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file)
      return false;
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
      std::remove(temporary.c_str());
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error)
    std::remove(temporary.c_str());
  return !error;
}

}  // namespace

void closeDocument(PdfDocument& doc) {
  if (doc.state == 3)
    return;
  if (doc.state == 0)
    createDocument(doc, "", "", "");
  if (doc.pageCount == 0)
    addPage(doc);
  doc.inFooter = true;
  if (doc.footerProcedure)
    doc.footerProcedure(doc.footerArgument);
  doc.inFooter = false;
  finishPage(doc);
  putPages(doc);
  putResources(doc);
  putInfo(doc);
  putCatalog(doc);
  putTrailer(doc);
  doc.state = 3;
  for (const auto& hook : doc.resetHooks)
    hook();
  doc.namesObject = 0;
  // Object numbers of this document mean nothing in the next one.
  doc.outlineRoot = 0;
  doc.scriptObject = 0;
  doc.script.clear();
  doc.pages.clear();
  doc.pageSizes.clear();
  doc.objectOffsets.clear();
  doc.links.clear();
  doc.annotations.clear();
  doc.fonts.clear();
  doc.fontFiles.clear();
  doc.images.clear();
  doc.attachments.clear();
  doc.endPageHooks.clear();
  doc.catalogHooks.clear();
  doc.resourceHooks.clear();
  doc.resetHooks.clear();
}

int saveDocument(PdfDocument& doc, std::string_view path) {
  closeDocument(doc);
  int result = 1;
  if (!path.empty()) {
    if (!validFileName(path)) {
      doc.lastError = 15;
      result = 0;
    } else if (!writeFile(std::string(path), doc.body.bytes())) {
      doc.lastError = 16;
      result = 0;
    }
  }
  doc.body.release();
  return result;
}

bool zlibCompress(PdfBuffer& buffer) {
  uLongf size = compressBound(static_cast<uLong>(buffer.length));
  std::vector<std::uint8_t> packed(size);
  if (compress2(packed.data(), &size, buffer.data.data(), static_cast<uLong>(buffer.length),
                Z_DEFAULT_COMPRESSION) != Z_OK)
    return false;
  PdfBuffer result;
  if (!result.append(std::span(packed.data(), size)))
    return false;
  buffer = std::move(result);
  return true;
}

}  // namespace korvalis
