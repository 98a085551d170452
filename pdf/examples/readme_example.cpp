// Two pages: text, an image and a link to the second page.
// Usage: readme-example PICTURE.jpg OUT.pdf
#include <cstdio>

#include "pdf/pdf.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: readme-example PICTURE.jpg OUT.pdf\n");
    return 2;
  }
  using namespace korvalis;
  PdfDocument doc;                                  // or the process-wide pdfWriter()
  createDocument(doc, "P", "mm", "595.28,841.89");  // A4 portrait, millimetres
  setTitle(doc, "Beispiel");

  addPage(doc);
  setFont(doc, "Helvetica", "B", 16);
  cell(doc, 0, 10, "Seite 1", 0, 1);
  // The picture is read from its file when the document is saved.
  if (!placeImage(doc, argv[1], nullptr, 0, 10, 30, 80, 0))
    std::fprintf(stderr, "image: %s\n", lastErrorMessage(doc).data());
  const int next = addLink(doc);
  setFont(doc, "Helvetica", "U", 12);
  setY(doc, 150);
  cell(doc, 60, 8, "Weiter zu Seite 2", 0, 1, "", false, next);

  addPage(doc);
  setLinkTarget(doc, next, 0, -1, "");  // the top of this page
  setFont(doc, "Helvetica", "", 12);
  writeText(doc, 6,
            "Texte sind Windows-1252: Gr\xFC\xDF"
            "e, 5 \x80.");

  if (!saveDocument(doc, argv[2])) {
    std::fprintf(stderr, "%s\n", lastErrorMessage(doc).data());
    return 1;
  }
  return 0;
}
