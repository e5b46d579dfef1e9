// The PDF reader module: poppler behind the plain C entry point that scan/pdf_module.h declares.
#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>
#include <poppler/cpp/poppler-page.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>

#include "scan/pdf_module.h"

namespace {

void ignorePopplerMessage(const std::string&, void*) {}

void silencePoppler() {
  static std::once_flag once;
  std::call_once(once, [] { poppler::set_debug_error_function(ignorePopplerMessage, nullptr); });
}

int visitPages(const char* path, int maxPages, QuorvalePdfVisit visit, void* context) {
  silencePoppler();
  std::unique_ptr<poppler::document> document(poppler::document::load_from_file(path));
  // A locked document crashes poppler on any page access; it has nothing to give anyway.
  if (!document || document->is_locked()) return 0;
  const int pages = std::min(document->pages(), maxPages);
  for (int index = 0; index < pages; ++index) {
    std::unique_ptr<poppler::page> page(document->create_page(index));
    if (!page) continue;
    poppler::byte_array bytes = page->text().to_utf8();
    if (visit(context, index + 1, bytes.data(), bytes.size()) == 0) break;
  }
  return 1;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int quorvale_pdf_pages(const char* path,
                                                                         int maxPages,
                                                                         QuorvalePdfVisit visit,
                                                                         void* context) {
  // Nothing may unwind across the C boundary.
  try {
    return visitPages(path, maxPages, visit, context);
  } catch (...) {
    return 0;
  }
}
