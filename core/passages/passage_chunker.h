// Cutting a document's text into passages. The text is normalized into words separated by single
// spaces; each passage ends at a paragraph end, else a sentence end, within 30 words of the
// 200-word target, and the next one begins 40 words before that end so that an answer spanning a
// boundary is found whole. Markdown headings ("# Title", "## Part") name the passages below them.
// Offsets are UTF-16 units in the normalized text, the unit the panel highlights in.
//
// Pure functions over one text; safe on any thread. Called by the passage indexer through
// PassageText::chunks, and by the tests and benchmarks directly.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "passages/passage_chunk.h"

namespace quorvale {

struct PdfPageText {
  int64_t page = 0;  // from 1
  std::string text;
  bool operator==(const PdfPageText&) const = default;
};

namespace PassageChunker {

// Stored beside each file's passages; a file chunked by another version is chunked again.
constexpr int64_t kVersion = 1;
constexpr int kTargetWords = 200;
constexpr double kOverlapFraction = 0.2;
constexpr int kOverlapWords = 40;  // kTargetWords * kOverlapFraction
constexpr int kBoundarySlack = 30;
constexpr std::size_t kMaxChunks = 60;
constexpr std::size_t kKeepFirst = 40;
constexpr std::size_t kKeepLast = 20;
constexpr std::size_t kSnippetLength = 240;

// One text; `page` absent, `seq` from 0.
ChunkedText chunk(std::string_view text, bool detectHeadings);
// Each page cut on its own without headings, `seq` running on across pages; the cap applies to
// the whole document.
ChunkedText chunk(const std::vector<PdfPageText>& pages);

}  // namespace PassageChunker
}  // namespace quorvale
