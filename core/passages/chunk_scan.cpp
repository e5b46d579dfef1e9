#include "passages/chunk_scan.h"

#include "passages/text_scalars.h"
#include "util/unicode.h"

namespace quorvale::passages {
namespace {

bool isLineBreak(char32_t c) {
  return c == U'\n' || c == U'\r' || c == U'\u2028' || c == U'\u2029';
}

bool isSpace(char32_t c) {
  if (c < 0x80) return c == U' ' || (c >= U'\t' && c <= U'\r');
  return unicode::isWhitespace(c);
}

bool isCloser(char c) {
  return c == '"' || c == '\'' || c == ')' || c == ']';
}

// A word ends a sentence when, without closing quotes and brackets, it ends in ".", "!" or "?".
bool endsSentence(std::string_view word) {
  while (!word.empty()) {
    if (isCloser(word.back())) {
      word.remove_suffix(1);
    } else if (word.ends_with("\u201D") || word.ends_with("\u2019")) {
      word.remove_suffix(3);
    } else {
      break;
    }
  }
  return !word.empty() && (word.back() == '.' || word.back() == '!' || word.back() == '?');
}

bool onlyHashes(std::string_view word) {
  return word.find_first_not_of('#') == std::string_view::npos;
}

class Scanner {
 public:
  // Reserving for the whole text avoids regrowing large buffers, which on long texts cost more
  // than the scan itself.
  Scanner(bool detectHeadings, std::size_t bytes) : detectHeadings_(detectHeadings) {
    out_.normalized.reserve(bytes);
    out_.words.reserve(bytes / 6 + 1);
  }

  void add(char32_t c) {
    if (isSpace(c)) {
      if (inWord_) endWord();
      if (isLineBreak(c)) {
        ++breaks_;
        atLineStart_ = true;
        endHeadingLine();
      }
      return;
    }
    if (!inWord_) startWord(c);
    if (c < 0x80) {
      out_.normalized += static_cast<char>(c);
    } else {
      out_.normalized += unicode::fromScalar(c);
    }
    units_ += c > 0xFFFF ? 2 : 1;
  }

  ScannedText finish() {
    if (inWord_) endWord();
    endHeadingLine();
    applyDemotions();
    return std::move(out_);
  }

 private:
  void startWord(char32_t first) {
    if (!out_.words.empty()) {
      if (breaks_ >= 2) out_.words.back().paraEnd = true;
      out_.normalized += ' ';
      ++units_;
    }
    if (detectHeadings_ && atLineStart_ && first == U'#') {
      if (!out_.words.empty()) out_.words.back().paraEnd = true;
      out_.headings.emplace_back();
      lineWords_.clear();
      headingLine_ = true;
      firstHeadingWord_ = true;
    }
    breaks_ = 0;
    atLineStart_ = false;
    inWord_ = true;
    ScannedWord word;
    word.start = units_;
    word.byteStart = out_.normalized.size();
    word.isHeading = headingLine_;
    word.headingIndex = static_cast<int>(out_.headings.size()) - 1;
    out_.words.push_back(word);
  }

  void endWord() {
    inWord_ = false;
    ScannedWord& word = out_.words.back();
    word.end = units_;
    word.byteEnd = out_.normalized.size();
    std::string_view text(out_.normalized.data() + word.byteStart, word.byteEnd - word.byteStart);
    word.sentenceEnd = endsSentence(text);
    if (!headingLine_) return;
    if (firstHeadingWord_) demoted_.resize(out_.headings.size(), false);
    if (firstHeadingWord_ && !onlyHashes(text)) demoted_.back() = true;
    firstHeadingWord_ = false;
    if (!onlyHashes(text)) lineWords_.emplace_back(text);
  }

  void endHeadingLine() {
    if (!headingLine_) return;
    out_.headings.back() = joined(lineWords_, " ");
    headingLine_ = false;
  }

  // A line such as "#tag" is not a heading: only "#", "##", ... followed by a space make one.
  void applyDemotions() {
    demoted_.resize(out_.headings.size(), false);
    int latest = -1;
    for (ScannedWord& word : out_.words) {
      if (word.isHeading) {
        if (demoted_[static_cast<std::size_t>(word.headingIndex)]) {
          word.isHeading = false;
        } else {
          latest = word.headingIndex;
        }
      }
      word.headingIndex = latest;
    }
  }

  const bool detectHeadings_;
  ScannedText out_;
  int64_t units_ = 0;
  int breaks_ = 0;
  bool inWord_ = false;
  bool atLineStart_ = true;
  bool headingLine_ = false;
  bool firstHeadingWord_ = false;
  std::vector<std::string> lineWords_;
  std::vector<bool> demoted_;
};

}  // namespace

ScannedText scanText(std::string_view text, bool detectHeadings) {
  Scanner scanner(detectHeadings, text.size());
  unicode::forEachScalar(text,
                         [&](const unicode::ScalarRead& scalar) { scanner.add(scalar.value); });
  return scanner.finish();
}

}  // namespace quorvale::passages
