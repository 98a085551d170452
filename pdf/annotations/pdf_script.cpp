#include "pdf/annotations/pdf_script.h"

#include "pdf/detail/output.h"

#include "pdf/detail/pdf_string.h"

namespace korvalis {

int setScript(PdfDocument& doc, std::string_view text) {
  doc.script = text;
  return 1;
}

int writeScriptObjects(PdfDocument& doc) {
  if (doc.script.empty() || doc.scriptObject != 0)
    return doc.scriptObject;
  doc.scriptObject = newObject(doc);
  out(doc, "<<");
  out(doc, "/Names [(EmbeddedJS) " + std::to_string(doc.scriptObject + 1) + " 0 R ]");
  out(doc, ">>");
  out(doc, "endobj");
  newObject(doc);
  out(doc, "<<");
  out(doc, "/S /JavaScript");
  out(doc, "/JS " + pdfString(doc.script));
  out(doc, ">>");
  out(doc, "endobj");
  return doc.scriptObject;
}

void putScript(PdfDocument& doc) {
  writeScriptObjects(doc);
}

void putScriptCatalogEntry(PdfDocument& doc) {
  // With attachments the names dictionary of the catalog already lists the script.
  if (doc.scriptObject != 0 && doc.namesObject == 0)
    out(doc, "/Names <</JavaScript " + std::to_string(doc.scriptObject) + " 0 R>>");
}

}  // namespace korvalis
