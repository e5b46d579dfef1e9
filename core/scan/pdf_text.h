// The text of the first pages of a PDF document, read with poppler in the PDF module
// (scan/pdf_module.h), which is opened on the first call. Called on the extracting thread
// (behind the extraction guard); each call opens its own document. poppler's own error messages
// are silenced for the whole process on first use.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quorvale {

struct PdfText {
  static constexpr int64_t kMaxFileSize = 60'000'000;
  static constexpr int kMaxPages = 3;

  // The text of the first pages at most, separated by line breaks, with reading stopped once
  // `maxChars` characters are collected (the result may be longer; the caller cuts it).
  // Nothing for a file over kMaxFileSize bytes, a file poppler cannot open and a document locked
  // by a password. `path` must name an already checked regular file.
  static std::optional<std::string> text(const std::string& path, int64_t size, int maxChars);

  // Visits the text of each of the first `maxPages` pages in order (1-based page number, text
  // trimmed of white space and line breaks, possibly empty) until `visit` returns false. False
  // when the file is over kMaxFileSize bytes, cannot be opened or is locked by a password.
  static bool forEachPage(const std::string& path, int64_t size, int maxPages,
                          const std::function<bool(int page, std::string text)>& visit);
};

}  // namespace quorvale
