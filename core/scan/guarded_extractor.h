// The extractor scans use: the default extractor, with PDF and office documents (the formats
// whose readers can hang or crash on a hostile file) read behind the extraction guard with a
// time limit, and everything else read directly. Files that crashed or hung an earlier reading
// are never opened again. Safe on any thread, like the guard it shares.
#pragma once

#include "scan/content_extractor.h"
#include "scan/default_extractor.h"
#include "scan/extraction_guard.h"

namespace quorvale {

class GuardedExtractor final : public ContentExtractor {
 public:
  static constexpr double kTimeLimit = 8.0;

  GuardedExtractor(DefaultExtractor inner, ExtractionGuard& guard) : inner_(inner), guard_(guard) {}

  std::optional<std::string> text(const std::string& path, const std::string& ext,
                                  int64_t size) const override;

 private:
  DefaultExtractor inner_;
  ExtractionGuard& guard_;
};

// Reads nothing: the extractor of scans when the contents of files are not to be indexed.
class NoContent final : public ContentExtractor {
 public:
  std::optional<std::string> text(const std::string&, const std::string&, int64_t) const override {
    return std::nullopt;
  }
};

}  // namespace quorvale
