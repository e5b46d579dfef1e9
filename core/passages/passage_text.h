// Which files get passages, and reading their text for the chunker: PDFs page by page (at most
// 400 pages), office documents and RTF through the extraction readers, other text files decoded
// as UTF-8 or else as a Western 8-bit encoding. Secret files (keys, password stores) are never
// read. Every limit is checked on the listed size and again on the opened file.
//
// Stateless; safe on any thread. Called by the passage indexer on the passage queue, behind the
// extraction guard. Nothing throws: a file that cannot be read gives nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "passages/passage_chunker.h"

namespace quorvale::PassageText {

constexpr int kMaxChars = 400'000;
constexpr int kMaxPdfPages = 400;
constexpr int64_t kMaxPdfBytes = 60'000'000;
constexpr int64_t kMaxOfficeBytes = 80'000'000;
constexpr int64_t kMaxRtfBytes = 20'000'000;
constexpr int64_t kMaxPlainBytes = 2'000'000;
// A zero byte among the first this many bytes marks a binary file.
constexpr std::size_t kBinaryProbeBytes = 4096;

struct Read {
  // The whole text of a non-PDF document.
  std::optional<std::string> text;
  // The non-blank pages of a PDF.
  std::optional<std::vector<PdfPageText>> pages;
};

const std::set<std::string>& extensions();
bool isEligible(const std::string& ext);

// `ext` in any case; `size` the listed size in bytes. At most `maxChars` characters: a PDF stops
// after the page that reaches them (pages are never cut), other texts are cut there.
std::optional<Read> read(const std::string& path, const std::string& ext, int64_t size,
                         int maxChars);

// The file's passages; nothing when it cannot be read or yields no passage.
std::optional<ChunkedText> chunks(const std::string& path, const std::string& ext, int64_t size);

}  // namespace quorvale::PassageText
