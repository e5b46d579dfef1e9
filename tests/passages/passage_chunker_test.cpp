#include "passages/passage_chunker.h"

#include <gtest/gtest.h>
#include <unicode/unistr.h>

#include <map>
#include <sstream>
#include <tuple>

#include "util/unicode.h"

namespace quorvale {
namespace {

// Words "w0" ... "w<n-1>" with single spaces, except where `after` gives another separator, and
// with the words replaced that `replace` names.
std::string text(int n, const std::map<int, std::string>& after = {},
                 const std::map<int, std::string>& replace = {}) {
  std::string out;
  for (int i = 0; i < n; ++i) {
    auto replaced = replace.find(i);
    out += replaced != replace.end() ? replaced->second : "w" + std::to_string(i);
    auto separator = after.find(i);
    if (i + 1 < n) out += separator != after.end() ? separator->second : " ";
  }
  return out;
}

std::size_t wordCount(const std::string& chunkText) {
  std::istringstream in(chunkText);
  std::size_t count = 0;
  for (std::string word; in >> word;) ++count;
  return count;
}

// The first chunk's length in words.
std::size_t firstChunkWords(const std::string& document) {
  ChunkedText chunked = PassageChunker::chunk(document, true);
  return chunked.chunks.empty() ? 0 : wordCount(chunked.chunks.front().text);
}

std::string utf16Slice(const std::string& utf8, int64_t start, int64_t end) {
  std::string out;
  icu::UnicodeString::fromUTF8(utf8)
      .tempSubStringBetween(static_cast<int32_t>(start), static_cast<int32_t>(end))
      .toUTF8String(out);
  return out;
}

TEST(PassageChunkerTest, TargetLengthAndOverlap) {
  ChunkedText one = PassageChunker::chunk(text(230), true);
  ASSERT_EQ(one.chunks.size(), 1u);
  EXPECT_EQ(one.chunks[0].text, text(230));

  ChunkedText two = PassageChunker::chunk(text(231), true);
  ASSERT_EQ(two.chunks.size(), 2u);
  EXPECT_EQ(wordCount(two.chunks[0].text), 200u);
  EXPECT_TRUE(two.chunks[1].text.starts_with("w160 "));
  EXPECT_EQ(two.chunks[1].seq, 1);
  EXPECT_FALSE(two.truncated);
}

TEST(PassageChunkerTest, ChoosesTheBoundary) {
  // What each case shows, the separators after and the words in place of the numbered words,
  // and the first chunk's length in words.
  using Words = std::map<int, std::string>;
  const std::tuple<const char*, Words, Words, std::size_t> cases[] = {
      {"no boundary: the target", {}, {}, 200},
      {"paragraph beats a nearer sentence end", {{184, "\n\n"}}, {{199, "end."}}, 185},
      {"equal distances: the earlier", {}, {{194, "a."}, {204, "b."}}, 195},
      {"nearest sentence end", {}, {{189, "a!"}, {198, "b?"}}, 199},
      {"closing quote", {}, {{189, "end.\u201D"}}, 190},
      {"abbreviation without a final stop", {}, {{189, "e.g"}}, 200},
      {"one line break is no paragraph", {{189, "\n"}}, {}, 200},
      {"CR LF is two line breaks", {{189, "\r\n"}}, {}, 190},
      {"outside the window", {{160, "\n\n"}, {240, "\n\n"}}, {}, 200},
      {"heading line ends the paragraph before it",
       {{198, "\n"}, {200, "\n"}},
       {{199, "#"}, {200, "Title"}},
       199},
  };
  for (const auto& [name, after, replace, words] : cases) {
    EXPECT_EQ(firstChunkWords(text(300, after, replace)), words) << name;
  }
}

TEST(PassageChunkerTest, HeadingsNameTheirChunks) {
  const std::tuple<std::string, bool, std::optional<std::string>> cases[] = {
      {"# Intro Part\n", true, "Intro Part"}, {"#intro\n", true, std::nullopt},
      {"x # y\n", true, std::nullopt},        {"# Intro\n", false, std::nullopt},  // not Markdown
      {"## Setup\n#tag\n", true, "Setup"},  // a demoted line does not hide the heading before it
  };
  for (const auto& [start, markdown, heading] : cases) {
    EXPECT_EQ(PassageChunker::chunk(start + text(20), markdown).chunks.at(0).heading, heading)
        << start;
  }
}

TEST(PassageChunkerTest, CapKeepsFirstFortyAndLastTwenty) {
  // 9700 words without boundaries make 61 chunks starting 160 words apart.
  ChunkedText chunked = PassageChunker::chunk(text(9700), true);
  ASSERT_EQ(chunked.chunks.size(), 60u);
  EXPECT_TRUE(chunked.truncated);
  for (std::size_t i = 0; i < 60; ++i) EXPECT_EQ(chunked.chunks[i].seq, static_cast<int64_t>(i));
  EXPECT_TRUE(chunked.chunks[39].text.starts_with("w6240 "));
  EXPECT_TRUE(chunked.chunks[40].text.starts_with("w6560 "));  // chunk 41 of the 61
  EXPECT_TRUE(chunked.chunks[59].text.ends_with("w9699"));
}

TEST(PassageChunkerTest, HostileDocumentsStayBounded) {
  std::string shortParagraphs;
  for (int i = 0; i < 10000; ++i)
    shortParagraphs += "Short paragraph " + std::to_string(i) + ".\n\n";
  std::string oneLongLine;
  while (oneLongLine.size() < 2'000'000) oneLongLine += "lorem ipsum dolor sit amet ";
  std::string onlyHeadings;
  for (int i = 0; i < 400; ++i) onlyHeadings += "# Heading " + std::to_string(i) + "\n";

  for (const std::string* document : {&shortParagraphs, &oneLongLine, &onlyHeadings}) {
    ChunkedText chunked = PassageChunker::chunk(*document, true);
    EXPECT_EQ(chunked.chunks.size(), 60u);
    EXPECT_TRUE(chunked.truncated);
    for (const PassageChunk& chunk : chunked.chunks) {
      EXPECT_FALSE(chunk.text.empty());
      EXPECT_LE(wordCount(chunk.text), 231u);
    }
  }
  EXPECT_TRUE(PassageChunker::chunk(" \n\t\r\n ", true).chunks.empty());
}

TEST(PassageChunkerTest, OffsetsAreUtf16OnCharacterBoundaries) {
  // Combining marks, emoji (surrogate pairs) and CJK at every word position and at every
  // possible chunk boundary.
  const std::string pieces[] = {"e\u0301",      "\U0001F600", "a\U0001F44D\U0001F3FD",
                                "\u4E2D\u6587", "x",          "\U0001F1E9\U0001F1EA."};
  std::string document, normalized;
  for (int i = 0; i < 700; ++i) {
    std::string word = pieces[i % 6] + std::to_string(i) + pieces[(i + 1) % 6];
    document += word + (i % 37 == 0 ? "\n\n" : " \u2003 ");
    normalized += (i ? " " : "") + word;
  }
  ChunkedText chunked = PassageChunker::chunk(document, true);
  ASSERT_GT(chunked.chunks.size(), 3u);
  for (const PassageChunk& chunk : chunked.chunks) {
    EXPECT_EQ(utf16Slice(normalized, chunk.start, chunk.end), chunk.text);
    EXPECT_TRUE(chunk.text.starts_with(chunk.snippet));
    EXPECT_LE(unicode::characterCount(chunk.snippet), PassageChunker::kSnippetLength);
  }
}

TEST(PassageChunkerTest, PagesNumberTheirChunks) {
  std::vector<PdfPageText> pages = {{.page = 1, .text = text(250)}, {.page = 3, .text = text(10)}};
  ChunkedText chunked = PassageChunker::chunk(pages);
  ASSERT_EQ(chunked.chunks.size(), 3u);
  EXPECT_EQ(chunked.chunks[1].page, 1);
  EXPECT_EQ(chunked.chunks[2].page, 3);
  EXPECT_EQ(chunked.chunks[2].seq, 2);
  EXPECT_EQ(chunked.chunks[2].start, 0);
}

}  // namespace
}  // namespace quorvale
