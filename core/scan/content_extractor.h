// The interface through which scans and the passage indexer obtain the text inside a file.
// Implementations are called on the caller's background thread and must be safe to share
// between the scanner and the passage indexer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quorvale {

class ContentExtractor {
 public:
  virtual ~ContentExtractor() = default;
  // The text to index for the file at `path`, given its lower-case extension and its size in
  // bytes; nothing when the file yields no text or must not be read. Never throws.
  virtual std::optional<std::string> text(const std::string& path, const std::string& ext,
                                          int64_t size) const = 0;
};

}  // namespace quorvale
