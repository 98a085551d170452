// The PDF writer: builds a PDF 1.3 document in memory and writes it in one piece. Include this
// header; everything it offers is below. Texts are Windows-1252 bytes; coordinates are user
// units (the unit given to createDocument) from the page's top-left corner. Every operation
// that can fail returns 1 for success and 0 for failure, with the reason in
// PdfDocument::lastError and lastErrorMessage. See README.md, "The PDF writer".
#pragma once

#include "pdf/annotations/pdf_attachments.h"  // attachFile
#include "pdf/annotations/pdf_bookmarks.h"    // addBookmark
#include "pdf/annotations/pdf_links.h"        // addLink, setLinkTarget, notes, setLinkArea
#include "pdf/annotations/pdf_script.h"       // setScript
#include "pdf/drawing/pdf_drawing.h"          // colours, lines, shapes, paths, transformations
#include "pdf/fonts/pdf_fonts.h"              // setFont, setFontSize, stringWidth
#include "pdf/fonts/text_ops.h"               // cell, writeText, writeShifted, position
#include "pdf/pdf_document.h"                 // document, pages, settings, saving
#include "pdf/pdf_error.h"                    // PdfError, errorMessage
#include "pdf/pdf_images.h"                   // placeImage
