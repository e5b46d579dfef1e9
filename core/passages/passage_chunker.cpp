#include "passages/passage_chunker.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "passages/chunk_scan.h"
#include "util/unicode.h"

namespace quorvale::PassageChunker {
namespace {

using passages::ScannedText;
using passages::ScannedWord;

// The end (exclusive word index) of the chunk that starts at word `s`; called only when at least
// kTargetWords + kBoundarySlack + 1 words remain. A paragraph end nearest the target wins, then a
// sentence end nearest the target (the earlier on equal distance), else the target itself; a
// heading word never ends a chunk.
std::size_t chooseEnd(const std::vector<ScannedWord>& words, std::size_t s) {
  const std::size_t target = s + kTargetWords;
  std::optional<std::size_t> paragraph, sentence;
  auto closer = [target](std::optional<std::size_t> kept, std::size_t e) {
    if (!kept) return true;
    auto distance = [target](std::size_t x) { return x > target ? x - target : target - x; };
    return distance(e) < distance(*kept);
  };
  for (std::size_t e = target - kBoundarySlack; e <= target + kBoundarySlack; ++e) {
    const ScannedWord& last = words[e - 1];
    if (last.isHeading) continue;
    if (last.paraEnd) {
      if (closer(paragraph, e)) paragraph = e;
    } else if (last.sentenceEnd) {
      if (closer(sentence, e)) sentence = e;
    }
  }
  if (paragraph) return *paragraph;
  if (sentence) return *sentence;
  for (std::size_t e = target; e > s + 1; --e) {
    if (!words[e - 1].isHeading) return e;
  }
  return s + 1;
}

void cut(const ScannedText& scanned, bool detectHeadings, std::optional<int64_t> page,
         std::vector<PassageChunk>& out) {
  const std::vector<ScannedWord>& words = scanned.words;
  const std::size_t count = words.size();
  constexpr std::size_t kChooseFrom = kTargetWords + kBoundarySlack + 1;
  std::size_t s = 0;
  while (s < count) {
    const std::size_t e = count - s >= kChooseFrom ? chooseEnd(words, s) : count;
    const ScannedWord& first = words[s];
    const ScannedWord& last = words[e - 1];
    PassageChunk chunk;
    chunk.seq = static_cast<int64_t>(out.size());
    chunk.start = first.start;
    chunk.end = last.end;
    chunk.page = page;
    chunk.text = scanned.normalized.substr(first.byteStart, last.byteEnd - first.byteStart);
    chunk.snippet = unicode::prefixCharacters(chunk.text, kSnippetLength);
    if (detectHeadings) {
      int index = words[(s + e - 1) / 2].headingIndex;
      if (index >= 0 && !scanned.headings[static_cast<std::size_t>(index)].empty()) {
        chunk.heading = scanned.headings[static_cast<std::size_t>(index)];
      }
    }
    out.push_back(std::move(chunk));
    if (e >= count) break;
    s = std::max(s + 1, e - std::min<std::size_t>(e, kOverlapWords));
  }
}

// A long document keeps its first and last chunks: the opening usually says what it is about,
// the end holds conclusions.
ChunkedText capped(std::vector<PassageChunk> chunks) {
  ChunkedText result;
  if (chunks.size() > kMaxChunks) {
    chunks.erase(chunks.begin() + static_cast<std::ptrdiff_t>(kKeepFirst),
                 chunks.end() - static_cast<std::ptrdiff_t>(kKeepLast));
    result.truncated = true;
  }
  for (std::size_t i = 0; i < chunks.size(); ++i) chunks[i].seq = static_cast<int64_t>(i);
  result.chunks = std::move(chunks);
  return result;
}

}  // namespace

ChunkedText chunk(std::string_view text, bool detectHeadings) {
  std::vector<PassageChunk> chunks;
  cut(passages::scanText(text, detectHeadings), detectHeadings, std::nullopt, chunks);
  return capped(std::move(chunks));
}

ChunkedText chunk(const std::vector<PdfPageText>& pages) {
  std::vector<PassageChunk> chunks;
  for (const PdfPageText& page : pages) {
    cut(passages::scanText(page.text, false), false, page.page, chunks);
  }
  return capped(std::move(chunks));
}

}  // namespace quorvale::PassageChunker
