// One passage of a document: an overlapping window of about 200 words, as the chunker cuts it and
// the passage database stores it. Plain values; copy freely.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvale {

struct PassageChunk {
  // Position within its file, from 0, consecutive.
  int64_t seq = 0;
  // UTF-16 offsets of the first character and just past the last one in the normalized text of
  // its page (PDF) or of the whole document.
  int64_t start = 0;
  int64_t end = 0;
  // 1-based PDF page; absent for other documents.
  std::optional<int64_t> page;
  // The Markdown heading in force at the chunk's middle word.
  std::optional<std::string> heading;
  // The first 240 characters of `text`.
  std::string snippet;
  // The chunk's words separated by single spaces.
  std::string text;

  bool operator==(const PassageChunk&) const = default;
};

struct ChunkedText {
  std::vector<PassageChunk> chunks;
  // The chunk list was cut down to the first and last chunks of a long document.
  bool truncated = false;

  bool operator==(const ChunkedText&) const = default;
};

}  // namespace quorvale
