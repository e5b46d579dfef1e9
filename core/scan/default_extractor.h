// The content extractor used by scans and the passage indexer. It decides by extension how to
// read a file (PDF, office document, RTF, plain text), refuses files that look like secrets,
// enforces size limits and returns at most `maxBytes` characters, trimmed.
//
// Only regular files are opened (see RegularFile); anything unreadable gives nothing and nothing
// throws. A value type without state of its own: one instance may be used from several threads
// at once. Callers run it behind the ExtractionGuard, which bounds its time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "scan/content_extractor.h"

namespace quorvale {

class DefaultExtractor final : public ContentExtractor {
 public:
  // The most characters of text returned; the index keeps as many.
  int maxBytes = 6000;
  // The largest plain-text or RTF file that is read.
  int64_t maxFileSize = 4'000'000;

  static constexpr int64_t kMaxOfficeFileSize = 80'000'000;

  std::optional<std::string> text(const std::string& path, const std::string& ext,
                                  int64_t size) const override;

  // Whether a file's name or extension says it holds keys, passwords or tokens; its contents
  // are then never read (its name stays searchable).
  static bool isSecretFile(std::string_view name, std::string_view ext);

  // The largest file with this lower-case extension that is read; nothing when no reader
  // handles the type (such files are indexed by name only).
  std::optional<int64_t> sizeLimit(const std::string& ext) const;

  // The extensions read as plain text: the text and code kinds and a few more.
  static const std::unordered_set<std::string>& textExtensions();

 private:
  std::optional<std::string> unguardedText(const std::string& path, const std::string& ext,
                                           int64_t size) const;
};

}  // namespace quorvale
