#include "scan/pdf_text.h"

#include <algorithm>
#include <string_view>

#include "scan/pdf_module.h"
#include "scan/plain_text.h"
#include "util/shared_library.h"
#include "util/unicode.h"

#ifndef QUORVALE_PDF_MODULE_BUILD_PATH
#define QUORVALE_PDF_MODULE_BUILD_PATH ""
#endif

namespace quorvale {
namespace {

constexpr const char* kModuleName = "libquorvale_pdf.so";

// The module beside an installed program (bin/../lib/quorvale), beside one run from the build
// folder (lib/quorvale), or where this build put it (the tests run from folders of their own).
QuorvalePdfPages loadModule() {
  const std::string folder = executableFolder();
  static const SharedLibrary module({folder + "/../lib/quorvale/" + kModuleName,
                                     folder + "/lib/quorvale/" + kModuleName,
                                     QUORVALE_PDF_MODULE_BUILD_PATH});
  return reinterpret_cast<QuorvalePdfPages>(module.symbol(QUORVALE_PDF_PAGES_SYMBOL));
}

QuorvalePdfPages pagesFunction() {
  static const QuorvalePdfPages function = loadModule();
  return function;
}

struct Visit {
  const std::function<bool(int page, std::string text)>* visit;
};

int visitPage(void* context, int page, const char* text, std::size_t length) {
  const auto& visit = *static_cast<Visit*>(context)->visit;
  // poppler ends each page with a line break and a form feed.
  std::string trimmed = unicode::trimmed(unicode::toValidUtf8(std::string(text, length)));
  return visit(page, std::move(trimmed)) ? 1 : 0;
}

}  // namespace

std::optional<std::string> PdfText::text(const std::string& path, int64_t size, int maxChars) {
  std::string collected;
  const auto enough = static_cast<std::size_t>(std::max(maxChars, 0));
  bool opened = forEachPage(path, size, kMaxPages, [&](int page, std::string text) {
    if (page > 1) collected += '\n';
    collected += text;
    return !holdsCharacters(collected, enough);
  });
  if (!opened) return std::nullopt;
  return collected;
}

bool PdfText::forEachPage(const std::string& path, int64_t size, int maxPages,
                          const std::function<bool(int page, std::string text)>& visit) {
  if (size > kMaxFileSize) return false;
  // Without the module no PDF can be read: each one is a file that cannot be opened.
  QuorvalePdfPages pages = pagesFunction();
  if (pages == nullptr) return false;
  Visit context{.visit = &visit};
  return pages(path.c_str(), maxPages, visitPage, &context) != 0;
}

}  // namespace quorvale
