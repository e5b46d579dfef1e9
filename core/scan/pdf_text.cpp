#include "scan/pdf_text.h"

#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>
#include <poppler/cpp/poppler-page.h>

#include <algorithm>
#include <memory>
#include <mutex>

#include "scan/plain_text.h"
#include "util/unicode.h"

namespace quorvale {
namespace {

void ignorePopplerMessage(const std::string&, void*) {}

void silencePoppler() {
  static std::once_flag once;
  std::call_once(once, [] { poppler::set_debug_error_function(ignorePopplerMessage, nullptr); });
}

std::string utf8Of(const poppler::ustring& text) {
  poppler::byte_array bytes = text.to_utf8();
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

std::optional<std::string> PdfText::text(const std::string& path, int64_t size, int maxChars) {
  if (size > kMaxFileSize) return std::nullopt;
  silencePoppler();
  std::unique_ptr<poppler::document> document(poppler::document::load_from_file(path));
  // A locked document crashes poppler on any page access; it has nothing to give anyway.
  if (!document || document->is_locked()) return std::nullopt;

  std::string collected;
  const int pages = std::min(document->pages(), kMaxPages);
  for (int index = 0; index < pages; ++index) {
    std::unique_ptr<poppler::page> page(document->create_page(index));
    if (!page) continue;
    // poppler ends each page with a line break and a form feed.
    std::string text = unicode::trimmed(unicode::toValidUtf8(utf8Of(page->text())));
    if (index > 0) collected += '\n';
    collected += text;
    if (holdsCharacters(collected, static_cast<std::size_t>(std::max(maxChars, 0)))) break;
  }
  return collected;
}

}  // namespace quorvale
