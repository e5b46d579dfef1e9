// The chunker's first pass: the normalized text (words joined by single spaces), each word with
// its UTF-16 and byte offsets and its boundary marks, and the Markdown headings. Internal to the
// chunker; pure and safe on any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvale::passages {

struct ScannedWord {
  int64_t start = 0;  // UTF-16 offsets in the normalized text
  int64_t end = 0;
  std::size_t byteStart = 0;  // the same in bytes of the UTF-8 normalized text
  std::size_t byteEnd = 0;
  bool paraEnd = false;
  bool sentenceEnd = false;
  bool isHeading = false;
  // The latest heading at or before this word; -1 before the first.
  int headingIndex = -1;
};

struct ScannedText {
  std::string normalized;
  std::vector<ScannedWord> words;
  // Heading texts; an empty entry names no heading.
  std::vector<std::string> headings;
};

ScannedText scanText(std::string_view text, bool detectHeadings);

}  // namespace quorvale::passages
