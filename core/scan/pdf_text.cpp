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
  silencePoppler();
  std::unique_ptr<poppler::document> document(poppler::document::load_from_file(path));
  // A locked document crashes poppler on any page access; it has nothing to give anyway.
  if (!document || document->is_locked()) return false;

  const int pages = std::min(document->pages(), maxPages);
  for (int index = 0; index < pages; ++index) {
    std::unique_ptr<poppler::page> page(document->create_page(index));
    if (!page) continue;
    // poppler ends each page with a line break and a form feed.
    std::string text = unicode::trimmed(unicode::toValidUtf8(utf8Of(page->text())));
    if (!visit(index + 1, std::move(text))) break;
  }
  return true;
}

}  // namespace quorvale
