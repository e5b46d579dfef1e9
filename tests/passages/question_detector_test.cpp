#include "passages/question_detector.h"

#include <gtest/gtest.h>

namespace quorvale {
namespace {

TEST(QuestionDetectorTest, DecidesQuestions) {
  const std::pair<const char*, bool> cases[] = {
      {"?", true},
      {"lease?", true},
      {"", false},
      {"kind:pdf lease", false},
      {"which kind:pdf lease", true},
      {"which", false},
      {"is there a lease", true},
      {"quarterly report numbers for the northern region", true},
      // Six tokens, so only a filter (a known key and a value) stops a question.
      {"quarterly report numbers for the northern region kind:pdf", false},
      {"one two three four five :work", true},
      {"one two three four five in:", true},
      {"one two three four five foo:bar", true},
      {"a b c d e", false},
      {"find the file", true},
  };
  for (const auto& [text, question] : cases) {
    EXPECT_EQ(QuestionDetector::isQuestion(text), question) << '"' << text << '"';
  }
}

TEST(QuestionDetectorTest, Forced) {
  EXPECT_TRUE(QuestionDetector::forced("  \n?rent"));
  EXPECT_FALSE(QuestionDetector::forced("rent?"));
}

TEST(QuestionDetectorTest, ExtractsContentWords) {
  const std::pair<const char*, QuestionTerms> cases[] = {
      {"where did i write about the \u201Cboiler service\u201D in 2023?",
       {.words = {"2023"}, .phrases = {"boiler service"}}},
      {"which file mentions x", {}},
      {"which file mentions 7", {.words = {"7"}, .phrases = {}}},
      // "which file" and "which file talks about" both match: the longer frame is stripped.
      {"which file talks about rent", {.words = {"rent"}, .phrases = {}}},
      {"??which file has the Lease lease LEASE", {.words = {"lease"}, .phrases = {}}},
      {"what is the \"Rent\" and \"rent\" kind:pdf", {.words = {}, .phrases = {"rent"}}},
      {"price of 3.5 kg, 1,200 units in 2024-05",
       {.words = {"price", "3.5", "kg", "1,200", "units", "2024-05"}, .phrases = {}}},
      // An unclosed quote is an ordinary character and swallows nothing.
      {"the \u201Cboiler service", {.words = {"boiler", "service"}, .phrases = {}}},
  };
  for (const auto& [text, terms] : cases) {
    EXPECT_EQ(QuestionDetector::contentWords(text), terms) << text;
  }
}

TEST(QuestionDetectorTest, RawTokensKeepNumbersWhole) {
  EXPECT_EQ(QuestionDetector::rawTokens("a-b 1-2 -3 4- x.y 5.6.7 caf\u00E9"),
            (std::vector<std::string>{"a", "b", "1-2", "3", "4", "x", "y", "5.6.7", "caf\u00E9"}));
}

}  // namespace
}  // namespace quorvale
