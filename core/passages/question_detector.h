// Telling a question about the user's documents ("which file mentions the refund policy?") from
// an ordinary search, and reducing such a question to the words and quoted phrases that passage
// search looks for. Pure functions over fixed word tables; safe on any thread. The engine asks
// `isQuestion` on every keystroke; passage search calls `contentWords`.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvale {

struct QuestionTerms {
  // Content words, lower case, in order of first appearance, without duplicates.
  std::vector<std::string> words;
  // Quoted phrases, lower case, their tokens joined by single spaces, without duplicates.
  std::vector<std::string> phrases;

  bool isEmpty() const { return words.empty() && phrases.empty(); }
  bool operator==(const QuestionTerms&) const = default;
};

namespace QuestionDetector {

bool isQuestion(std::string_view text);
// The text, trimmed, begins with "?": question mode is forced.
bool forced(std::string_view text);
QuestionTerms contentWords(std::string_view text);
// Runs of letters, marks and numbers; a comma, hyphen or full stop between two digits stays
// inside the token (3.5, 1,200, 2024-05). No case folding.
std::vector<std::string> rawTokens(std::string_view text);

}  // namespace QuestionDetector

// The word tables behind the detector.
namespace QuestionWords {

bool isWhWord(std::string_view word);
bool isFilterKey(std::string_view word);
bool isStopword(std::string_view word);
// Ordered; the first that matches wins.
const std::vector<std::string>& openers();
// Longest first; equal lengths keep their table order.
const std::vector<std::string>& framesLongestFirst();

}  // namespace QuestionWords

}  // namespace quorvale
