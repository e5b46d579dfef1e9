#include "scan/default_extractor.h"

#include <algorithm>

#include "index/file_kind.h"
#include "scan/office_text.h"
#include "scan/pdf_text.h"
#include "scan/plain_text.h"
#include "scan/regular_file.h"
#include "scan/rtf_text.h"
#include "util/unicode.h"

namespace quorvale {
namespace {

enum class Reader { none, pdf, office, rtf, plain };

Reader readerFor(const std::string& ext) {
  if (ext == "pdf") return Reader::pdf;
  if (OfficeText::extensions().contains(ext)) return Reader::office;
  if (ext == "rtf") return Reader::rtf;
  if (DefaultExtractor::textExtensions().contains(ext)) return Reader::plain;
  return Reader::none;
}

std::string_view lastComponent(std::string_view path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::optional<std::string> plainFileText(const RegularFile& file, int maxBytes) {
  std::string bytes = file.readPrefix(static_cast<std::size_t>(maxBytes));
  return decodePlainText(bytes, file.size() > static_cast<int64_t>(bytes.size()));
}

}  // namespace

const std::unordered_set<std::string>& DefaultExtractor::textExtensions() {
  static const std::unordered_set<std::string> kExtensions = [] {
    std::unordered_set<std::string> extensions = {"csv", "tsv",  "tex", "bib",       "rst",   "ini",
                                                  "cfg", "conf", "env", "gitignore", "readme"};
    // Web pages under their other common extensions are read as .html is.
    extensions.insert({"htm", "xhtml"});
    for (FileKind kind : {FileKind::text, FileKind::code}) {
      const auto& kindExtensions = fileKindExtensions().at(kind);
      extensions.insert(kindExtensions.begin(), kindExtensions.end());
    }
    return extensions;
  }();
  return kExtensions;
}

std::optional<int64_t> DefaultExtractor::sizeLimit(const std::string& ext) const {
  switch (readerFor(ext)) {
    case Reader::pdf:
      return PdfText::kMaxFileSize;
    case Reader::office:
      return kMaxOfficeFileSize;
    case Reader::rtf:
    case Reader::plain:
      return maxFileSize;
    case Reader::none:
      break;
  }
  return std::nullopt;
}

std::optional<std::string> DefaultExtractor::text(const std::string& path, const std::string& ext,
                                                  int64_t size) const {
  try {
    return unguardedText(path, unicode::lowercased(ext), size);
  } catch (...) {
    // A reader library that throws on a bad file: the file is indexed by name only.
    return std::nullopt;
  }
}

std::optional<std::string> DefaultExtractor::unguardedText(const std::string& path,
                                                           const std::string& ext,
                                                           int64_t size) const {
  if (maxBytes <= 0 || isSecretFile(lastComponent(path), ext)) return std::nullopt;
  const Reader reader = readerFor(ext);
  // The listed size decides before anything is opened; the size at opening decides again, in
  // case the file grew since it was listed.
  const std::optional<int64_t> maxSize = sizeLimit(ext);
  if (!maxSize || size > *maxSize) return std::nullopt;
  const int64_t limit = *maxSize;
  std::optional<RegularFile> file = RegularFile::open(path);
  if (!file || file->size() > limit) return std::nullopt;

  std::optional<std::string> text;
  switch (reader) {
    case Reader::pdf:
      text = PdfText::text(file->pathForLibraries(), file->size(), maxBytes);
      break;
    case Reader::office:
      text = OfficeText::text(*file, ext, maxBytes, kMaxOfficeFileSize, file->size());
      break;
    case Reader::rtf:
      text = rtfPlainText(file->readPrefix(static_cast<std::size_t>(maxFileSize)));
      break;
    case Reader::plain:
      text = plainFileText(*file, maxBytes);
      break;
    case Reader::none:
      break;
  }
  if (!text) return std::nullopt;
  std::string cut =
      unicode::trimmed(unicode::prefixCharacters(*text, static_cast<std::size_t>(maxBytes)));
  if (cut.empty()) return std::nullopt;
  return cut;
}

}  // namespace quorvale
