// The plain C boundary between the core and the PDF reader module (libquorvale_pdf.so), which
// alone links poppler. The core opens the module on the first PDF it reads (PdfText), so that
// processes that read no PDF (a `--query`, the status) never load poppler and the twenty
// libraries behind it. Called on the extracting thread; the module keeps no state but poppler's
// silenced error output.
#pragma once

#include <cstddef>

extern "C" {

// Receives one page's text (UTF-8 as poppler gives it, not yet checked); nonzero to go on.
using QuorvalePdfVisit = int (*)(void* context, int page, const char* text, std::size_t length);

// Visits the first `maxPages` pages in order. 0 when the document cannot be opened or is locked
// by a password, 1 otherwise.
using QuorvalePdfPages = int (*)(const char* path, int maxPages, QuorvalePdfVisit visit,
                                 void* context);
}

#define QUORVALE_PDF_PAGES_SYMBOL "quorvale_pdf_pages"
