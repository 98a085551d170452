#include "pdf/annotations/annotation_hooks.h"

#include "pdf/annotations/pdf_attachments.h"
#include "pdf/annotations/pdf_bookmarks.h"
#include "pdf/annotations/pdf_links.h"
#include "pdf/annotations/pdf_script.h"

namespace korvalis {

void installAnnotationHooks(PdfDocument& doc) {
  if (doc.annotationHooksInstalled)
    return;
  doc.annotationHooksInstalled = true;
  doc.beforePagesHooks.emplace_back([&doc] { putNotes(doc); });
  doc.pageAnnotationHooks.emplace_back([&doc](int page) { putPageAnnotations(doc, page); });
  doc.putResourceObjectHooks.emplace_back([&doc] { putAttachments(doc); });
  doc.builtInHookInstallers.emplace_back([&doc] {
    doc.resourceHooks.emplace_back([&doc] { putBookmarks(doc); });
    doc.resourceHooks.emplace_back([&doc] { putScript(doc); });
    doc.catalogHooks.emplace_back([&doc] { putOutlineCatalogEntries(doc); });
    doc.catalogHooks.emplace_back([&doc] { putScriptCatalogEntry(doc); });
  });
}

}  // namespace korvalis
