#include "pdf/annotations/pdf_links.h"

#include <array>
#include <cctype>
#include <optional>
#include <vector>

#include "pdf/detail/page_destination.h"
#include "pdf/detail/pdf_string.h"

#include "pdf/detail/output.h"

namespace korvalis {

namespace {

constexpr std::array<std::string_view, 7> kNoteIcons = {
    "Comment", "Key", "Note", "Help", "NewParagraph", "Paragraph", "Insert"};

PdfLink* linkAt(PdfDocument& doc, int id) {
  if (id < 1 || static_cast<std::size_t>(id) > doc.links.size())
    return nullptr;
  return &doc.links[static_cast<std::size_t>(id - 1)];
}

/// Sets the fields every kind of target shares.
PdfLink* beginTarget(PdfDocument& doc, int id, int kind, float y, int page) {
  PdfLink* link = linkAt(doc, id);
  if (link) {
    link->kind = kind;
    link->targetY = y == -1 ? doc.y : y;
    link->targetPage = page == -1 ? doc.pageCount : page;
  }
  return link;
}

std::string noteDate(const PdfDocument& doc, std::time_t date) {
  std::tm local{};
  localtime_r(&date, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &local);
  return "D:" + std::string(text) + doc.timeZoneSuffix;
}

std::string joined(float a, float b, float c, float d) {
  return formatNumber(a, 2).value_or("0") + " " + formatNumber(b, 2).value_or("0") + " " +
         formatNumber(c, 2).value_or("0") + " " + formatNumber(d, 2).value_or("0");
}

/// Links run from the top-left corner to the bottom-right one.
std::string linkRectangle(float x, float top, float w, float h) {
  return joined(x, top, x + w, top - h);
}

std::string noteRectangle(const PdfLink& link) {
  return joined(link.areaX, link.areaTop - link.areaHeight, link.areaX + link.areaWidth,
                link.areaTop);
}

std::string popupRectangle(const PdfLink& link) {
  return joined(link.areaX, link.areaTop, link.areaX + link.popupWidth,
                link.areaTop - link.popupHeight);
}

/// The annotation of a link or launch target over the given area; none for other kinds.
std::optional<std::string> linkEntry(const PdfDocument& doc, const PdfLink& link,
                                     const std::string& rectangle) {
  const std::string start =
      "<</Type /Annot /Subtype /Link /Rect [" + rectangle + "] /Border [0 0 0] ";
  if (link.kind == 1) {
    if (!link.text1.empty())
      return start + "/A <</S /URI /URI " + pdfString(link.text1) + ">>>>";
    return start + "/Dest " + pageDestination(doc, link.targetPage, link.targetY) + ">>";
  }
  if (link.kind == 2) {
    // The file also at the action's top level: readers off Windows ignore the /Win part.
    std::string entry = start + "/A <</Type /Action /S /Launch ";
    if (!link.text1.empty())
      entry += "/F " + pdfString(link.text1) + " ";
    entry += "/Win <<";
    const std::array<std::pair<std::string_view, const std::string*>, 4> parts = {
        {{"/F ", &link.text1}, {"/D ", &link.text2}, {"/O ", &link.text3}, {"/P ", &link.text4}}};
    for (const auto& [key, value] : parts) {
      if (!value->empty())
        entry += std::string(key) + pdfString(*value);
    }
    return entry + ">>>>>>";
  }
  return std::nullopt;
}

std::optional<std::string> ownAreaEntry(const PdfDocument& doc, const PdfLink& link) {
  switch (link.kind) {
    case 1:
    case 2:
      return linkEntry(doc, link,
                       linkRectangle(link.areaX, link.areaTop, link.areaWidth, link.areaHeight));
    case 3:
      return "<</Type /Annot /Subtype /Text /Name /" + link.text1 + " /Rect [" +
             noteRectangle(link) + "] /Border [0 0 0] /Contents " + pdfString(link.text2) + " /F " +
             std::to_string(link.flags) + " /T " + pdfString(link.text3) + " /M " +
             pdfString(link.text4) + " >>";
    case 4:
      return std::to_string(link.popupObject) + " 0 R " + std::to_string(link.popupObject + 1) +
             " 0 R";
    default:
      return std::nullopt;
  }
}

void setNoteTexts(const PdfDocument& doc, PdfLink& link, std::string_view icon,
                  std::string_view contents, std::string_view title, std::time_t date) {
  link.text1 = noteIconName(icon);
  link.text2 = contents;
  link.text3 = title;
  link.text4 = noteDate(doc, date);
}

}  // namespace

int addLink(PdfDocument& doc) {
  doc.links.emplace_back();
  return static_cast<int>(doc.links.size());
}

int setLinkTarget(PdfDocument& doc, int id, float y, int page, std::string_view address) {
  if (PdfLink* link = beginTarget(doc, id, 1, y, page))
    link->text1 = address;
  return 1;
}

int setLaunchTarget(PdfDocument& doc, int id, float y, int page, std::string_view file,
                    std::string_view directory, std::string_view operation,
                    std::string_view parameters) {
  PdfLink* link = beginTarget(doc, id, 2, y, page);
  if (!link)
    return 0;
  link->text1 = file;
  link->text2 = directory;
  const bool print =
      !operation.empty() && std::toupper(static_cast<unsigned char>(operation.front())) == 'P';
  link->text3 = print ? "Print" : "Open";
  link->text4 = parameters;
  return 1;
}

int setTextNote(PdfDocument& doc, int id, float y, int page, std::string_view icon,
                std::string_view contents, std::string_view title, std::time_t date) {
  if (PdfLink* link = beginTarget(doc, id, 3, y, page))
    setNoteTexts(doc, *link, icon, contents, title, date);
  return 1;
}

int setPopupNote(PdfDocument& doc, int id, float y, int page, std::string_view icon,
                 std::string_view contents, std::string_view title, float popupWidth,
                 float popupHeight, int flags, std::time_t date) {
  PdfLink* link = beginTarget(doc, id, 4, y, page);
  if (!link)
    return 0;
  setNoteTexts(doc, *link, icon, contents, title, date);
  link->popupWidth = popupWidth * doc.scale;
  link->popupHeight = popupHeight * doc.scale;
  link->flags = flags;
  return 1;
}

int setLinkArea(PdfDocument& doc, float x, float y, float w, float h, int id) {
  PdfLink* link = linkAt(doc, id);
  if (!link)
    return 0;
  const float pageHeightPt = doc.currentOrientation == "P" ? doc.formatHeightPt : doc.formatWidthPt;
  link->areaX = x * doc.scale;
  link->areaTop = pageHeightPt - y * doc.scale;
  link->areaWidth = w * doc.scale;
  link->areaHeight = h * doc.scale;
  link->page = doc.pageCount;
  return 1;
}

std::string_view noteIconName(std::string_view icon) {
  for (const std::string_view name : kNoteIcons) {
    if (equalsIgnoringAsciiCase(icon, name))
      return name;
  }
  return "Note";
}

void putNotes(PdfDocument& doc) {
  for (PdfLink& link : doc.links) {
    if (link.kind != 4)
      continue;
    const int popup = newObject(doc);
    link.popupObject = popup;
    const std::string flags = std::to_string(link.flags);
    out(doc, "<</Type /Annot /Subtype /Popup /Rect [" + popupRectangle(link) + "] /F " + flags +
                 " /Parent " + std::to_string(popup + 1) + " 0 R>>");
    out(doc, "endobj");
    newObject(doc);
    out(doc, "<</Type /Annot /Subtype /Text /Rect [" + noteRectangle(link) + "] /Name /" +
                 link.text1 + " /F " + flags + " /Popup " + std::to_string(popup) + " 0 R /T " +
                 pdfString(link.text3) + " /M " + pdfString(link.text4) + " /Contents " +
                 pdfString(link.text2) + ">>");
    out(doc, "endobj");
  }
}

void putPageAnnotations(PdfDocument& doc, int page) {
  std::vector<std::string> entries;
  for (const PdfLink& link : doc.links) {
    if (link.page != page)
      continue;
    if (auto entry = ownAreaEntry(doc, link))
      entries.push_back(std::move(*entry));
  }
  // Areas registered by image placement: the link identifier names the target.
  for (const PdfAnnotation& area : doc.annotations) {
    if (area.page != page)
      continue;
    const PdfLink* link = linkAt(doc, area.link);
    if (!link)
      continue;
    if (auto entry = linkEntry(doc, *link, linkRectangle(area.x, area.y, area.w, area.h)))
      entries.push_back(std::move(*entry));
  }
  if (entries.empty())
    return;
  out(doc, "/Annots [");
  for (const std::string& entry : entries)
    out(doc, entry);
  out(doc, "]");
}

}  // namespace korvalis
