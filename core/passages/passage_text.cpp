#include "passages/passage_text.h"

#include <algorithm>

#include "scan/default_extractor.h"
#include "scan/office_text.h"
#include "scan/pdf_text.h"
#include "scan/plain_text.h"
#include "scan/regular_file.h"
#include "scan/rtf_text.h"
#include "util/unicode.h"

namespace quorvale::PassageText {
namespace {

std::string_view lastComponent(std::string_view path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::optional<RegularFile> openWithin(const std::string& path, int64_t size, int64_t limit) {
  if (size > limit) return std::nullopt;
  std::optional<RegularFile> file = RegularFile::open(path);
  if (!file || file->size() > limit) return std::nullopt;
  return file;
}

std::optional<Read> readPdf(const std::string& path, int64_t size, int maxChars) {
  std::optional<RegularFile> file = openWithin(path, size, kMaxPdfBytes);
  if (!file) return std::nullopt;
  std::vector<PdfPageText> pages;
  std::size_t total = 0;
  bool opened = PdfText::forEachPage(
      file->pathForLibraries(), file->size(), kMaxPdfPages, [&](int page, std::string text) {
        if (text.empty()) return true;
        total += unicode::characterCount(text);
        pages.push_back({.page = page, .text = std::move(text)});
        return total < static_cast<std::size_t>(std::max(maxChars, 0));
      });
  if (!opened) return std::nullopt;
  return Read{.text = std::nullopt, .pages = std::move(pages)};
}

std::optional<Read> textRead(std::optional<std::string> text, int maxChars) {
  if (!text) return std::nullopt;
  return Read{
      .text = unicode::prefixCharacters(*text, static_cast<std::size_t>(std::max(maxChars, 0))),
      .pages = std::nullopt};
}

std::optional<Read> readRtf(const std::string& path, int64_t size, int maxChars) {
  std::optional<RegularFile> file = openWithin(path, size, kMaxRtfBytes);
  if (!file) return std::nullopt;
  return textRead(rtfPlainText(file->readPrefix(static_cast<std::size_t>(kMaxRtfBytes))), maxChars);
}

// UTF-8 when the bytes are valid UTF-8, else Windows-1252 (Latin-1 with the printable
// characters that Western text files put in 0x80-0x9F).
std::optional<Read> readPlain(const std::string& path, int64_t size, int maxChars) {
  std::optional<RegularFile> file = openWithin(path, size, kMaxPlainBytes);
  if (!file) return std::nullopt;
  std::string bytes = file->readPrefix(static_cast<std::size_t>(kMaxPlainBytes));
  if (std::string_view(bytes).substr(0, kBinaryProbeBytes).find('\0') != std::string_view::npos) {
    return std::nullopt;
  }
  if (!unicode::isValidUtf8(bytes)) return textRead(windows1252ToUtf8(bytes), maxChars);
  if (std::string_view(bytes).starts_with("\xEF\xBB\xBF")) bytes.erase(0, 3);
  return textRead(std::move(bytes), maxChars);
}

}  // namespace

const std::set<std::string>& extensions() {
  static const std::set<std::string> kExtensions = {
      "pdf", "txt",  "md",  "markdown", "rtf",  "rst", "org",  "adoc",
      "tex", "docx", "doc", "odt",      "pptx", "odp", "xlsx", "ods"};
  return kExtensions;
}

bool isEligible(const std::string& ext) {
  return extensions().contains(unicode::lowercased(ext));
}

std::optional<Read> read(const std::string& path, const std::string& anyCaseExt, int64_t size,
                         int maxChars) {
  const std::string ext = unicode::lowercased(anyCaseExt);
  if (!extensions().contains(ext)) return std::nullopt;
  if (DefaultExtractor::isSecretFile(lastComponent(path), ext)) return std::nullopt;
  try {
    if (ext == "pdf") return readPdf(path, size, maxChars);
    if (OfficeText::extensions().contains(ext)) {
      std::optional<RegularFile> file = openWithin(path, size, kMaxOfficeBytes);
      if (!file) return std::nullopt;
      return textRead(OfficeText::text(*file, ext, maxChars, kMaxOfficeBytes, file->size()),
                      maxChars);
    }
    if (ext == "rtf") return readRtf(path, size, maxChars);
    return readPlain(path, size, maxChars);
  } catch (...) {
    // A reader library that throws on a damaged file: the file simply has no passages.
    return std::nullopt;
  }
}

std::optional<ChunkedText> chunks(const std::string& path, const std::string& ext, int64_t size) {
  std::optional<Read> text = read(path, ext, size, kMaxChars);
  if (!text) return std::nullopt;
  ChunkedText chunked =
      text->pages ? PassageChunker::chunk(*text->pages) : PassageChunker::chunk(*text->text, true);
  if (chunked.chunks.empty()) return std::nullopt;
  return chunked;
}

}  // namespace quorvale::PassageText
