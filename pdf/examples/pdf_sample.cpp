// pdf-sample: writes a sample document that uses every operation of the PDF writer, and the
// table it attaches, beside it. Usage: pdf-sample OUT.pdf
//
// Texts are Windows-1252 bytes, as everywhere in the writer.

#include <clocale>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pdf/pdf.h"
#include "platform/image.h"
#include "viewer/image_codec.h"

namespace {

using korvalis::PdfDocument;
using Bytes = std::vector<std::uint8_t>;

constexpr std::string_view kTrueTypeFamily = "DejaVu Sans";
constexpr std::string_view kWebAddress = "https://www.example.org/korvalis";

/// The images the pages show; placeImage borrows the blocks until the document is saved.
struct SampleImages {
  Bytes jpeg;
  Bytes png;
  Bytes metafile;
};

/// Reports the writer's last error on standard error.
void complain(const char* what, const PdfDocument& doc) {
  const std::string_view message = korvalis::lastErrorMessage(doc);
  std::fprintf(stderr, "pdf-sample: %s: %.*s\n", what, static_cast<int>(message.size()),
               message.data());
}

/// A colour gradient of 96 x 64 pixels.
korvalis::Image gradient() {
  korvalis::Image image(96, 64);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x)
      image.setPixel(x, y, korvalis::makePixel(x * 255 / 95, y * 255 / 63, 255 - x * 2));
  }
  return image;
}

/// A placeable metafile of a blue rectangle and a red triangle in a 1000 x 500 box.
Bytes metafile() {
  Bytes bytes;
  const auto u16 = [&bytes](int v) {
    bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
  };
  const auto record = [&](int function, std::initializer_list<int> params) {
    const int words = 3 + static_cast<int>(params.size());
    u16(words);
    u16(0);
    u16(function);
    for (const int p : params)
      u16(p);
  };
  for (const int v : {0xCDD7, 0x9AC6, 0, 0, 0, 1000, 500, 1440, 0, 0, 0})
    u16(v);                                             // placeable header
  for (const int v : {1, 9, 0x0300, 0, 0, 4, 0, 0, 0})  // metafile header
    u16(v);
  record(0x020B, {0, 0});                  // window origin
  record(0x020C, {500, 1000});             // window extent
  record(0x02FC, {0, 0x4000, 0x00C0, 0});  // solid blue brush
  record(0x012D, {0});
  record(0x041B, {450, 600, 50, 50});  // rectangle: bottom, right, top, left
  record(0x02FC, {0, 0x00E0, 0, 0});   // solid red brush
  record(0x012D, {1});
  record(0x0324, {3, 650, 450, 950, 450, 800, 50});  // triangle
  record(0, {});
  return bytes;
}

SampleImages makeImages() {
  const korvalis::Image picture = gradient();
  return {korvalis::encodeJpeg(picture, 85).value_or(Bytes{}),
          korvalis::encodePng(picture, 24).value_or(Bytes{}), metafile()};
}

/// Base font text; falls back to nothing when the family is unknown (base fonts always are).
void baseFont(PdfDocument& doc, std::string_view style, int size) {
  korvalis::setFont(doc, "Helvetica", style, size);
}

/// The TrueType family when it is installed, Helvetica otherwise.
void trueTypeFont(PdfDocument& doc, std::string_view style, int size) {
  if (!korvalis::setFont(doc, kTrueTypeFamily, style, size))
    baseFont(doc, style, size);
}

void header(PdfDocument& doc) {
  baseFont(doc, "I", 9);
  korvalis::setTextColour(doc, 90);
  korvalis::cell(doc, 0, 6, "Korvalis \x96 Beispieldokument des PDF-Schreibers", -8, 1, "R");
  korvalis::setTextColour(doc, 0);
  korvalis::newLine(doc, 4);
}

void footer(PdfDocument& doc) {
  korvalis::setY(doc, -15);
  baseFont(doc, "", 9);
  const std::string number = korvalis::isPageNumbering(doc) && korvalis::getNumberingFlag(doc)
                                 ? std::to_string(korvalis::getPageNumber(doc))
                                 : std::to_string(doc.pageCount);
  korvalis::cell(doc, 0, 8, "Seite " + number + " von {nb}", -2, 0, "C");
}

void heading(PdfDocument& doc, std::string_view text, int level) {
  korvalis::addBookmark(doc, text, level);
  trueTypeFont(doc, "B", level == 0 ? 16 : 13);
  korvalis::cell(doc, 0, 9, text, 0, 1);
  korvalis::newLine(doc, 2);
}

constexpr std::string_view kParagraph =
    "Der PDF-Schreiber setzt Dokumente vollst\xE4ndig im Speicher zusammen und schreibt sie "
    "beim Sichern in einem St\xFC"
    "ck. Diese Seite zeigt Text in den Grundschriften und in "
    "einer eingebetteten TrueType-Schrift, Blocksatz, umbrochenen Flie\xDFtext, hoch- und "
    "tiefgestellte Zeichen sowie Verweise ins Netz, innerhalb des Dokuments und auf eine "
    "Datei.";

/// The name of the table written beside the document OUT.pdf: OUT-daten.csv.
std::string tableFileName(const std::filesystem::path& output) {
  return output.stem().string() + "-daten.csv";
}

void introductionPage(PdfDocument& doc, int shapesLink, const std::string& tableName) {
  korvalis::addPage(doc);
  heading(doc, "Einleitung", 0);
  heading(doc, "Schriften", 1);
  for (const std::string_view family : {"Helvetica", "Times", "Courier"}) {
    korvalis::setFont(doc, family, "", 11);
    korvalis::cell(doc, 0, 6,
                   std::string(family) +
                       ": \xC4rger \xFC"
                       "ber Gr\xF6\xDF"
                       "en",
                   0, 1);
  }
  korvalis::setFont(doc, "Helvetica", "BIU", 11);
  korvalis::cell(doc, 0, 6, "Fett, kursiv und unterstrichen", 0, 1);
  korvalis::setFont(doc, "Helvetica", "", 11);
  korvalis::setFontSize(doc, 14);
  const std::string sized =
      "Schriftgr\xF6\xDF"
      "e " +
      std::to_string(static_cast<int>(korvalis::getFontSizePt(doc))) + " pt, eng gerahmt";
  korvalis::cell(doc, korvalis::stringWidth(doc, sized) + 2 * doc.cellMargin, 8, sized, 1, 1);
  korvalis::setFontSize(doc, 11);
  trueTypeFont(doc, "", 11);
  korvalis::cell(doc, 0, 6,
                 "TrueType: \x84"
                 "Anf\xFC"
                 "hrungszeichen\x93, \x80 und \xBD",
                 0, 1);
  korvalis::newLine(doc, 3);

  heading(doc, "Blocksatz und Umbruch", 2);
  baseFont(doc, "", 10);
  korvalis::cell(doc, 0, 6,
                 "Diese Zeile steht im Blocksatz \xFC"
                 "ber die ganze Breite.",
                 1, 1, "FJ");
  korvalis::newLine(doc, 2);
  korvalis::writeText(doc, 5, kParagraph);
  korvalis::newLine(doc, 7);
  korvalis::writeText(doc, 5,
                      "Fl\xE4"
                      "che: 12 m");
  korvalis::writeShifted(doc, 5, "2", 0, 6, 5);  // raised
  korvalis::writeText(doc, 5, ", Wasser: H");
  korvalis::writeShifted(doc, 5, "2", 0, 6, -1);  // lowered
  korvalis::writeText(doc, 5, "O");
  korvalis::newLine(doc, 9);

  heading(doc, "Verweise", 1);
  baseFont(doc, "U", 11);
  korvalis::setTextColour(doc, 0, 0, 200);
  const int web = korvalis::addLink(doc);
  korvalis::setLinkTarget(doc, web, 0, 0, kWebAddress);
  korvalis::writeText(doc, 6, "Zur Seite im Netz", web);
  korvalis::newLine(doc, 7);
  korvalis::writeText(doc, 6, "Zu den Formen auf Seite 2", shapesLink);
  korvalis::newLine(doc, 7);
  const int launch = korvalis::addLink(doc);
  // The table written beside the document (and attached to it).
  korvalis::setLaunchTarget(doc, launch, -1, -1, tableName, "", "open", "");
  korvalis::writeText(doc, 6,
                      "Die angeh\xE4ngte Tabelle \xF6"
                      "ffnen",
                      launch);
  korvalis::setTextColour(doc, 0);
  korvalis::newLine(doc, 9);

  heading(doc, "Notizen", 1);
  baseFont(doc, "", 10);
  const std::time_t now = std::time(nullptr);
  const int note = korvalis::addLink(doc);
  korvalis::setTextNote(doc, note, -1, -1, "Comment", "Eine einfache Notiz.", "Korvalis", now);
  korvalis::setLinkArea(doc, korvalis::getX(doc), korvalis::getY(doc), 6, 6, note);
  const int popup = korvalis::addLink(doc);
  korvalis::setPopupNote(doc, popup, -1, -1, "Help", "Eine Notiz mit Fenster.",
                         "\xDC"
                         "bersicht",
                         70, 35, 0, now);
  korvalis::setLinkArea(doc, korvalis::getX(doc) + 12, korvalis::getY(doc), 6, 6, popup);
  korvalis::setX(doc, korvalis::getX(doc) + 24);
  korvalis::cell(doc, 0, 6, "\x97 zwei Notizen, eine davon mit Fenster", 0, 1);
}

/// A row of filled and stroked shapes in the current colours.
void shapeRow(PdfDocument& doc, float top) {
  const float left = doc.leftMargin;
  korvalis::drawRect(doc, left, top, 25, 15, "DF");
  korvalis::drawRoundedRect(doc, left + 30, top, 25, 15, 4, "DF");
  korvalis::drawCircle(doc, left + 70, top + 7.5f, 7.5f, "DF");
  korvalis::drawEllipse(doc, left + 95, top + 7.5f, 12, 6, "F");
  korvalis::drawTriangle(doc, left + 112, top + 15, left + 137, top + 15, left + 124.5f, top, "DF");
  korvalis::drawSector(doc, left + 155, top + 7.5f, 7.5f, 30, 300);
  korvalis::drawRect(doc, left + 168, top, 15, 15);
}

void shapesPage(PdfDocument& doc, int shapesLink) {
  // Numbered from here on: the new page counts as page 2.
  korvalis::startPageNumbering(doc);
  korvalis::addPage(doc);
  korvalis::setLinkTarget(doc, shapesLink, -1, -1, "");
  heading(doc, "Formen", 0);
  const std::vector<std::pair<std::string_view, void (*)(PdfDocument&)>> modes = {
      {"Graustufen",
       [](PdfDocument& d) {
         korvalis::setDrawColour(d, 40);
         korvalis::setFillColour(d, 200);
       }},
      {"RGB",
       [](PdfDocument& d) {
         korvalis::setDrawColour(d, 120, 0, 0);
         korvalis::setFillColour(d, 250, 180, 40);
       }},
      {"CMYK", [](PdfDocument& d) {
         korvalis::setDrawColourCmyk(d, 1, 0.3f, 0, 0.2f);
         korvalis::setFillColourCmyk(d, 0.1f, 0, 0.6f, 0);
       }}};
  for (const auto& [name, colours] : modes) {
    heading(doc, name, 1);
    colours(doc);
    korvalis::setLineWidth(doc, 0.6f);
    const float top = doc.y;
    shapeRow(doc, top);
    korvalis::setY(doc, top + 20);
  }
  korvalis::setDrawColour(doc, 0);
  korvalis::setFillColour(doc, 0);

  heading(doc, "Linien und Pfade", 1);
  const float top = doc.y;
  korvalis::setDash(doc, 2, 1);
  korvalis::drawLine(doc, doc.leftMargin, top, doc.leftMargin + 80, top);
  korvalis::setDash(doc, 0, 0);
  korvalis::setLineWidth(doc, 1);
  korvalis::moveTo(doc, doc.leftMargin, top + 20);
  korvalis::curveTo(doc, doc.leftMargin + 20, top, doc.leftMargin + 40, top + 40,
                    doc.leftMargin + 60, top + 20);
  korvalis::lineTo(doc, doc.leftMargin + 80, top + 20);
  korvalis::paintPath(doc, "");
  korvalis::setLineWidth(doc, 0.2f);
  // A circle clipped to a rectangle, and a rectangle slanted by a matrix.
  const float clipX = doc.leftMargin + 95;
  korvalis::setFillColour(doc, 70, 130, 220);  // outside the bracket: "Q" would undo it
  korvalis::startTransform(doc);
  korvalis::rectPath(doc, clipX, top + 2, 30, 18);
  korvalis::paintPath(doc, "W n");
  korvalis::drawCircle(doc, clipX + 15, top + 11, 14, "F");
  korvalis::stopTransform(doc);
  korvalis::setFillColour(doc, 250, 180, 40);
  korvalis::startTransform(doc);
  // Slanted about its bottom edge (PDF space, points).
  const float bottom = (doc.pageHeight - top - 20) * korvalis::getScale(doc);
  korvalis::transform(doc, 1, 0, 0.4f, 1, -0.4f * bottom, 0);
  korvalis::drawRect(doc, doc.leftMargin + 140, top + 2, 25, 18, "DF");
  korvalis::stopTransform(doc);

  korvalis::setY(doc, top + 32);
  heading(doc, "Verschiebung, Drehung, Skalierung", 2);
  korvalis::setFillColourCmyk(doc, 0, 0.8f, 0.8f, 0);
  for (int step = 0; step < 4; ++step) {
    korvalis::startTransform(doc);
    korvalis::translate(doc, static_cast<float>(step) * 30 * doc.scale, 0);  // 30 mm a step
    korvalis::rotateAt(doc, static_cast<float>(step) * 20, doc.leftMargin + 10, top + 55);
    korvalis::scaleAt(doc, 100 - static_cast<float>(step) * 15, 100 - static_cast<float>(step) * 15,
                      doc.leftMargin + 10, top + 55);
    korvalis::drawRect(doc, doc.leftMargin, top + 50, 20, 10, "F");
    korvalis::stopTransform(doc);
  }
  korvalis::setFillColour(doc, 0);
  korvalis::setY(doc, top + 70);
  baseFont(doc, "", 10);
  korvalis::setTextColourCmyk(doc, 0, 0.9f, 0.9f, 0.1f);
  korvalis::cell(doc, 0, 6, "Text in CMYK-Rot", 0, 1);
  korvalis::setTextColour(doc, 0, 120, 0);
  korvalis::setFillColour(doc, 225);
  korvalis::cell(doc, 0, 6, "Text in RGB-Gr\xFCn auf grauem Grund", 0, 1, "C", true);
  korvalis::setTextColour(doc, 0);
}

void placeBlock(PdfDocument& doc, const Bytes& bytes, std::string_view name, float x, float y,
                float w, float h, int link = 0) {
  if (!korvalis::placeImage(doc, name, bytes.data(), static_cast<std::int32_t>(bytes.size()), x, y,
                            w, h, link))
    complain("Bild", doc);
}

void imagesPage(PdfDocument& doc, const SampleImages& images) {
  korvalis::addPage(doc, "L", "");
  heading(doc, "Bilder", 0);
  const float top = doc.y;
  const int web = korvalis::addLink(doc);
  korvalis::setLinkTarget(doc, web, 0, 0, kWebAddress);
  placeBlock(doc, images.jpeg, "verlauf.jpg", doc.leftMargin, top, 60, 0, web);
  placeBlock(doc, images.png, "verlauf.png", doc.leftMargin + 70, top, 60, 0);
  placeBlock(doc, images.metafile, "formen.wmf", doc.leftMargin + 140, top, 80, 0);
  korvalis::setY(doc, top + 45);
  baseFont(doc, "", 10);
  korvalis::cell(doc, 60, 6, "JPEG (ein Verweis)", 0, 0, "C");
  korvalis::setX(doc, doc.leftMargin + 70);
  korvalis::cell(doc, 60, 6, "PNG", 0, 0, "C");
  korvalis::setX(doc, doc.leftMargin + 140);
  korvalis::cell(doc, 80, 6, "Metadatei", 0, 1, "C");
}

void flowingTextPages(PdfDocument& doc) {
  korvalis::addPage(doc);
  heading(doc,
          "Flie\xDFtext \xFC"
          "ber mehrere Seiten",
          0);
  for (int chapter = 1; chapter <= 3; ++chapter) {
    heading(doc, "Kapitel " + std::to_string(chapter), 1);
    for (int section = 1; section <= 2; ++section) {
      heading(doc, "Abschnitt " + std::to_string(chapter) + "." + std::to_string(section), 2);
      baseFont(doc, "", 11);
      for (int i = 0; i < 3; ++i) {
        korvalis::writeText(doc, 5.5f, kParagraph);
        korvalis::newLine(doc, 7);
      }
    }
  }
}

/// The table the document attaches, written beside it.
std::string writeTable(const std::filesystem::path& output) {
  const auto path = output.parent_path() / tableFileName(output);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << "Film;Seite;Gr\xF6\xDF"
          "e\r\n";
  for (int row = 1; row <= 20; ++row)
    file << 1000000 + row << ';' << row * 3 << ';' << row * 104857 << "\r\n";
  return file ? path.string() : std::string();
}

int writeSample(const std::filesystem::path& output) {
  PdfDocument& doc = korvalis::pdfWriter();
  korvalis::initialiseWriter(doc);
  if (!korvalis::createDocument(doc, "P", "mm", "595.28,841.89"))
    return 1;
  korvalis::setMargins(doc, 20, 15, 20);
  korvalis::setAutoPageBreak(doc, true, 25);
  korvalis::setPageBreakProcedure(doc, [] { return true; });
  korvalis::setCompressor(doc, korvalis::zlibCompress);
  korvalis::setDisplayMode(doc, -1, "/OneColumn");
  korvalis::setTitle(doc, "Korvalis-Beispiel");
  korvalis::setSubject(doc, "Alle Operationen des PDF-Schreibers");
  korvalis::setAuthor(doc, "Korvalis");
  korvalis::setKeywords(doc, "PDF Beispiel Verweise Notizen Lesezeichen");
  korvalis::setCreator(doc, "Korvalis");
  korvalis::setTotalPagesAlias(doc, "{nb}");
  korvalis::setHeaderProcedure(
      doc, [&doc](int) { header(doc); }, 0);
  korvalis::setFooterProcedure(
      doc, [&doc](int) { footer(doc); }, 0);

  const SampleImages images = makeImages();
  const int shapesLink = korvalis::addLink(doc);
  introductionPage(doc, shapesLink, tableFileName(output));
  shapesPage(doc, shapesLink);
  imagesPage(doc, images);
  flowingTextPages(doc);
  // The last footer counts the pages itself.
  korvalis::stopPageNumbering(doc);
  korvalis::setNumberingFlag(doc, 0);

  const std::string table = writeTable(output);
  if (table.empty() || !korvalis::attachFile(doc, table, "Die Tabelle der Beispielseiten"))
    complain("Anhang", doc);
  korvalis::setScript(doc,
                      "console.println('Korvalis-Beispiel ge\xF6"
                      "ffnet');");
  if (!korvalis::saveDocument(doc, output.string())) {
    complain("Sichern", doc);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // An option-like argument is a request for help, not a file name to write.
  if (argc != 2 || argv[1][0] == '-') {
    std::fprintf(stderr, "usage: pdf-sample OUT.pdf\n");
    return 2;
  }
  // The user's locale, so that a comma-decimal locale is exercised as in the program.
  std::setlocale(LC_ALL, "");
  return writeSample(argv[1]);
}
