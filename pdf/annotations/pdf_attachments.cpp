#include "pdf/annotations/pdf_attachments.h"

#include "pdf/detail/output.h"
#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <numeric>
#include <optional>
#include <vector>

#include "pdf/annotations/pdf_script.h"
#include "pdf/detail/pdf_string.h"
#include "pdf/fonts/ascii85.h"
#include "pdf/fonts/installed_font.h"

namespace korvalis {

namespace {

/// The text between the parentheses of a PDF string.
std::string escaped(std::string_view text) {
  const std::string literal = pdfString(text);
  return literal.substr(1, literal.size() - 2);
}

std::string utcDate(std::time_t time) {
  std::tm utc{};
  gmtime_r(&time, &utc);
  char text[32];
  std::strftime(text, sizeof text, "D:%Y%m%d%H%M%SZ", &utc);
  return text;
}

/// Creation (birth) and modification times; the modification time stands in for a creation
/// time the file system does not keep.
std::pair<std::time_t, std::time_t> fileTimes(const std::string& path) {
  struct statx info {};
  if (statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &info) != 0)
    return {std::time(nullptr), std::time(nullptr)};
  const auto modified = static_cast<std::time_t>(info.stx_mtime.tv_sec);
  const bool hasBirth = (info.stx_mask & STATX_BTIME) && info.stx_btime.tv_sec > 0;
  const auto created = hasBirth ? static_cast<std::time_t>(info.stx_btime.tv_sec) : modified;
  return {created, modified};
}

/// Writes the Filespec dictionary and the embedded stream of one attachment.
void putAttachment(PdfDocument& doc, PdfAttachment& file) {
  file.objectNumber = newObject(doc);
  out(doc, "<</F(" + file.fileName + ")/EF<</F " + std::to_string(file.objectNumber + 1) +
               " 0 R>>/Desc (" + file.description + ")/Type/Filespec>>");
  out(doc, "endobj");
  newObject(doc);
  out(doc, "<</Type/EmbeddedFile/Params<<");
  out(doc, "/Size " + std::to_string(file.size));
  out(doc, "/CreationDate (" + file.created + ")");
  out(doc, "/ModDate (" + file.modified + ")");
  out(doc, ">>");
  if (doc.compressor && doc.compressor(file.data)) {
    out(doc, "/Length " + std::to_string(file.data.length));
    out(doc, "/Filter/FlateDecode");
  } else {
    PdfBuffer encoded;
    if (!encoded.append(ascii85Encode(file.data.bytes())))
      failAssembly(doc, PdfError::OutOfMemory);  // the document cannot be saved
    file.data = std::move(encoded);
    out(doc, "/Length " + std::to_string(file.data.length));
    out(doc, "/Filter/ASCII85Decode");
  }
  out(doc, ">>");
  putStream(doc, file.data);
  out(doc, "endobj");
  file.data.release();
}

}  // namespace

int attachFile(PdfDocument& doc, std::string_view path, std::string_view description) {
  const std::string name(path);
  PdfAttachment file;
  const std::optional<std::vector<std::uint8_t>> bytes = readWholeFileBytes(name);
  if (!bytes) {
    doc.lastError = PdfError::AttachmentOpen;
    return 0;
  }
  if (!file.data.append(*bytes)) {
    doc.lastError = PdfError::OutOfMemory;
    return 0;
  }
  file.size = file.data.length;
  const auto slash = path.find_last_of('/');
  file.fileName = escaped(slash == std::string_view::npos ? path : path.substr(slash + 1));
  file.description = escaped(description);
  const auto [created, modified] = fileTimes(name);
  file.created = utcDate(created);
  file.modified = utcDate(modified);
  doc.attachments.push_back(std::move(file));
  return 1;
}

void putAttachments(PdfDocument& doc) {
  if (doc.attachments.empty())
    return;
  for (PdfAttachment& file : doc.attachments)
    putAttachment(doc, file);
  // A name tree's keys must be in ascending order for readers to find them.
  std::vector<std::size_t> order(doc.attachments.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::ranges::stable_sort(order, [&doc](std::size_t a, std::size_t b) {
    return doc.attachments[a].fileName < doc.attachments[b].fileName;
  });
  const int kids = newObject(doc);
  out(doc, "<</Kids [" + std::to_string(kids + 1) + " 0 R]>>");
  out(doc, "endobj");
  newObject(doc);
  out(doc, "<<");
  out(doc, "/Names [");
  for (const std::size_t i : order) {
    const PdfAttachment& file = doc.attachments[i];
    out(doc, "(" + file.fileName + ") " + std::to_string(file.objectNumber) + " 0 R");
  }
  out(doc, "]");
  out(doc, "/Limits [");
  out(doc, "(" + doc.attachments[order.front()].fileName + ")");
  out(doc, "(" + doc.attachments[order.back()].fileName + ")");
  out(doc, "]");
  out(doc, ">>");
  out(doc, "endobj");
  const int script = writeScriptObjects(doc);
  doc.namesObject = newObject(doc);
  out(doc, "<</EmbeddedFiles " + std::to_string(kids) + " 0 R" +
               (script != 0 ? " /JavaScript " + std::to_string(script) + " 0 R" : "") + ">>");
  out(doc, "endobj");
}

}  // namespace korvalis
