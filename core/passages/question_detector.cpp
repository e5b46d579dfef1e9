#include "passages/question_detector.h"

#include <unicode/uchar.h>

#include <algorithm>

#include "passages/text_scalars.h"
#include "util/unicode.h"

namespace quorvale::QuestionDetector {
namespace {

bool isPunctuation(char32_t c) {
  return (U_GET_GC_MASK(static_cast<UChar32>(c)) & U_GC_P_MASK) != 0;
}

// Pieces of the text between runs of white space.
std::vector<std::u32string> whitespacePieces(std::u32string_view text) {
  std::vector<std::u32string> pieces;
  std::u32string current;
  for (char32_t c : text) {
    if (unicode::isWhitespace(c)) {
      if (!current.empty()) pieces.push_back(std::move(current));
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) pieces.push_back(std::move(current));
  return pieces;
}

std::u32string trimmedOfPunctuation(std::u32string_view piece) {
  std::size_t begin = 0, end = piece.size();
  while (begin < end && isPunctuation(piece[begin])) ++begin;
  while (end > begin && isPunctuation(piece[end - 1])) --end;
  return std::u32string(piece.substr(begin, end - begin));
}

// "kind:pdf", "in:work": a key of the query language before the piece's first colon, with
// something after it.
bool isFilter(std::u32string_view piece) {
  std::size_t colon = piece.find(U':');
  if (colon == std::u32string_view::npos || colon == 0 || colon + 1 == piece.size()) return false;
  return QuestionWords::isFilterKey(unicode::fromScalars(piece.substr(0, colon)));
}

bool hasFilter(const std::vector<std::u32string>& pieces) {
  return std::any_of(pieces.begin(), pieces.end(),
                     [](const auto& piece) { return isFilter(piece); });
}

bool hasDigit(std::string_view token) {
  for (char32_t c : unicode::scalars(token)) {
    if (unicode::isDigit(c)) return true;
  }
  return false;
}

bool beginsWithEntry(const std::string& text, const std::string& entry) {
  return text == entry ||
         (text.starts_with(entry) && text.size() > entry.size() && text[entry.size()] == ' ');
}

char32_t closingQuote(char32_t c) {
  if (c == U'"') return U'"';
  if (c == U'\u201C') return U'\u201D';
  return 0;
}

// Takes the quoted phrases out of the text: each becomes a phrase and leaves one space behind.
// An opening mark without its closing mark is an ordinary character.
std::u32string takePhrases(std::u32string_view text, std::vector<std::string>& phrases) {
  std::u32string rest;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t close = closingQuote(text[i]);
    std::size_t end = close == 0 ? std::u32string_view::npos : text.find(close, i + 1);
    if (end == std::u32string_view::npos) {
      rest += text[i];
      continue;
    }
    std::string inner = unicode::lowercased(
        unicode::trimmed(unicode::fromScalars(text.substr(i + 1, end - i - 1))));
    std::vector<std::string> tokens = rawTokens(inner);
    if (!tokens.empty()) phrases.push_back(passages::joined(tokens, " "));
    rest += U' ';
    i = end;
  }
  return rest;
}

std::string withoutFrame(const std::string& text) {
  for (const std::string& frame : QuestionWords::framesLongestFirst()) {
    if (beginsWithEntry(text, frame)) return text.substr(frame.size());
  }
  return text;
}

}  // namespace

bool forced(std::string_view text) {
  return unicode::trimmed(text).starts_with('?');
}

bool isQuestion(std::string_view text) {
  std::string trimmed = unicode::trimmed(text);
  if (trimmed.empty()) return false;
  if (trimmed.starts_with('?') || trimmed.ends_with('?')) return true;

  std::vector<std::u32string> pieces =
      whitespacePieces(unicode::scalars(unicode::lowercased(trimmed)));
  std::vector<std::string> tokens;
  for (const std::u32string& piece : pieces) {
    std::u32string token = trimmedOfPunctuation(piece);
    if (!token.empty()) tokens.push_back(unicode::fromScalars(token));
  }
  if (tokens.empty()) return false;
  const bool filtered = hasFilter(pieces);

  if (tokens.size() >= 2 && QuestionWords::isWhWord(tokens.front())) return true;
  std::string joined = passages::joined(tokens, " ");
  for (const std::string& opener : QuestionWords::openers()) {
    if (beginsWithEntry(joined, opener)) return tokens.size() >= 3;
  }
  return !filtered && tokens.size() >= 6;
}

QuestionTerms contentWords(std::string_view text) {
  std::u32string scalars = unicode::scalars(unicode::trimmed(text));
  std::size_t leading = scalars.find_first_not_of(U'?');
  scalars.erase(0, leading == std::u32string::npos ? scalars.size() : leading);

  std::vector<std::string> phrases;
  std::u32string rest = takePhrases(scalars, phrases);

  std::vector<std::string> kept;
  for (const std::u32string& piece : whitespacePieces(
           unicode::scalars(unicode::trimmed(unicode::lowercased(unicode::fromScalars(rest)))))) {
    if (!isFilter(piece)) kept.push_back(unicode::fromScalars(piece));
  }

  QuestionTerms terms;
  for (std::string& token : rawTokens(withoutFrame(passages::joined(kept, " ")))) {
    bool keep = hasDigit(token) ||
                (unicode::characterCount(token) >= 2 && !QuestionWords::isStopword(token));
    if (keep) passages::appendUnique(terms.words, std::move(token));
  }
  for (std::string& phrase : phrases) passages::appendUnique(terms.phrases, std::move(phrase));
  return terms;
}

std::vector<std::string> rawTokens(std::string_view text) {
  std::u32string scalars = unicode::scalars(text);
  std::vector<std::string> tokens;
  std::u32string current;
  auto emit = [&] {
    if (!current.empty()) tokens.push_back(unicode::fromScalars(current));
    current.clear();
  };
  for (std::size_t i = 0; i < scalars.size(); ++i) {
    char32_t c = scalars[i];
    if (passages::isAlphanumeric(c)) {
      current += c;
    } else if ((c == U',' || c == U'-' || c == U'.') && i > 0 && i + 1 < scalars.size() &&
               unicode::isDigit(scalars[i - 1]) && unicode::isDigit(scalars[i + 1])) {
      current += c;
    } else {
      emit();
    }
  }
  emit();
  return tokens;
}

}  // namespace quorvale::QuestionDetector
