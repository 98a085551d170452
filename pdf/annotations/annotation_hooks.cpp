#include "pdf/detail/annotation_hooks.h"
#include "pdf/detail/output.h"

#include "pdf/annotations/pdf_bookmarks.h"
#include "pdf/annotations/pdf_script.h"

namespace korvalis {

void installAnnotationHooks(PdfDocument& doc) {
  if (doc.annotationHooksInstalled)
    return;
  doc.annotationHooksInstalled = true;
  doc.builtInHookInstallers.emplace_back([&doc] {
    doc.resourceHooks.emplace_back([&doc] { putBookmarks(doc); });
    doc.resourceHooks.emplace_back([&doc] { putScript(doc); });
    doc.catalogHooks.emplace_back([&doc] { putOutlineCatalogEntries(doc); });
    doc.catalogHooks.emplace_back([&doc] { putScriptCatalogEntry(doc); });
  });
}

}  // namespace korvalis
