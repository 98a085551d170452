#include <zlib.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include "pdf/annotations/pdf_attachments.h"
#include "pdf/annotations/pdf_links.h"
#include "pdf/detail/output.h"
#include "pdf/detail/page_destination.h"
#include "pdf/fonts/pdf_fonts.h"
#include "pdf/pdf_document.h"
#include "platform/file_io.h"

namespace korvalis {

namespace {

constexpr std::string_view kProducer = "Korvalis PDF writer";
/// Piece size for copying an image file into the output.
constexpr std::size_t kCopyChunk = 1 << 20;

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
    out(doc, "/MediaBox [0 0 " + pdfNumber(doc, size.width, 2) + " " +
                 pdfNumber(doc, size.height, 2) + "]");
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
  doc.objectOffsets[0] = static_cast<std::int32_t>(fileOffset(doc));
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
  doc.objectOffsets[1] = static_cast<std::int32_t>(fileOffset(doc));
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

/// The catalog's opening view; the destination names the first page's object (a destination
/// naming the page tree is ignored by readers).
std::string openAction(PdfDocument& doc, int zoom) {
  const std::string page = "/OpenAction [" + std::to_string(pageObjectNumber(doc, 1)) + " 0 R ";
  switch (zoom) {
    case -1:
      return page + "/Fit]";
    case -2:
      return page + "/FitH null]";
    case -3:
      return page + "/XYZ null null 1]";
    case -4:
      return "/PageMode/FullScreen";
    default:
      return page + "/XYZ null null " + pdfNumber(doc, zoom / 100.0, 2) + "]";
  }
}

void putCatalog(PdfDocument& doc) {
  newObject(doc);
  out(doc, "<<");
  out(doc, "/Type /Catalog");
  out(doc, "/Pages 1 0 R");
  if (doc.namesObject != 0)
    out(doc, "/Names " + std::to_string(doc.namesObject) + " 0 R");
  out(doc, openAction(doc, doc.zoomMode));
  out(doc, "/PageLayout " + doc.pageLayout);
  for (const auto& hook : doc.catalogHooks)
    hook();
  out(doc, ">>");
  out(doc, "endobj");
}

void putTrailer(PdfDocument& doc) {
  const std::int64_t xrefOffset = fileOffset(doc);
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

/// Hands the finished document to `sink` piece by piece: body bytes and the external data
/// between them. A file is read in chunks, so it is never held in memory whole. False when
/// `sink` fails or an external file cannot be read or changed its size since it was placed.
bool emitDocument(const PdfDocument& doc,
                  const std::function<bool(std::span<const std::uint8_t>)>& sink) {
  const auto body = doc.body.bytes();
  std::size_t done = 0;
  std::vector<std::uint8_t> chunk;
  for (const PdfSplice& splice : doc.splices) {
    const auto at = static_cast<std::size_t>(splice.at);
    if (!sink(body.subspan(done, at - done)))
      return false;
    done = at;
    const PdfExternalData& data = splice.data;
    if (data.path.empty()) {
      if (!sink(data.memory))
        return false;
      continue;
    }
    std::ifstream in(data.path, std::ios::binary | std::ios::ate);
    if (!in || static_cast<std::int64_t>(in.tellg()) != data.size)
      return false;
    in.seekg(0);
    chunk.resize(kCopyChunk);
    for (std::int64_t left = data.size; left > 0;) {
      const auto n = static_cast<std::size_t>(std::min<std::int64_t>(left, kCopyChunk));
      if (!in.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(n)) ||
          !sink(std::span(chunk.data(), n)))
        return false;
      left -= static_cast<std::int64_t>(n);
    }
  }
  return sink(body.subspan(done));
}

void releaseOutput(PdfDocument& doc) {
  doc.body.release();
  doc.splices.clear();
  doc.splicedBytes = 0;
}

}  // namespace

int closeDocument(PdfDocument& doc) {
  if (doc.state == 3)
    return doc.assemblyFailed ? 0 : 1;
  if (doc.state == 0 && !createDocument(doc, "", "", ""))
    return 0;
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
  forgetDocumentContent(doc);
  doc.endPageHooks.clear();
  doc.catalogHooks.clear();
  doc.resourceHooks.clear();
  doc.resetHooks.clear();
  return doc.assemblyFailed ? 0 : 1;
}

int saveDocument(PdfDocument& doc, std::string_view path) {
  closeDocument(doc);
  int result = 1;
  if (doc.assemblyFailed) {
    result = 0;  // lastError tells what could not be added
  } else if (!path.empty()) {
    if (!validFileName(path)) {
      doc.lastError = PdfError::FileName;
      result = 0;
    } else {
      AtomicFileWriter file{std::filesystem::path(std::string(path))};
      bool sourceFailed = false;
      const bool written =
          file.isOpen() && emitDocument(doc, [&](auto bytes) { return file.write(bytes); });
      if (written) {
        result = file.commit() ? 1 : 0;
      } else {
        // A write failure leaves the writer's own error; otherwise an image file failed.
        sourceFailed = file.isOpen() && !file.lastError();
        file.discard();
        result = 0;
      }
      if (result == 0)
        doc.lastError = sourceFailed ? PdfError::ImageRead : PdfError::FileCreate;
    }
  }
  releaseOutput(doc);
  return result;
}

std::optional<std::vector<std::uint8_t>> documentBytes(const PdfDocument& doc) {
  if (doc.state != 3 || doc.assemblyFailed)
    return std::nullopt;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(static_cast<std::size_t>(fileOffset(doc)));
  const bool complete = emitDocument(doc, [&](std::span<const std::uint8_t> piece) {
    bytes.insert(bytes.end(), piece.begin(), piece.end());
    return true;
  });
  if (!complete)
    return std::nullopt;
  return bytes;
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
