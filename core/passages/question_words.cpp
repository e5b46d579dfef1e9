// The fixed word tables of the question detector.
#include <algorithm>
#include <string>
#include <unordered_set>
#include <vector>

#include "passages/question_detector.h"
#include "util/unicode.h"

namespace quorvale::QuestionWords {
namespace {

using WordSet = std::unordered_set<std::string_view>;

const WordSet kWhWords = {"what", "which", "where", "when", "who", "whom", "whose", "why", "how"};

// The keys of the query language's key:value filters.
const WordSet kFilterKeys = {"kind",     "type",    "ext",   "in",    "name",
                             "modified", "changed", "after", "since", "before"};

const WordSet kStopwords = {
    "the",       "a",      "an",      "of",        "to",       "for",      "in",        "on",
    "at",        "by",     "with",    "from",      "and",      "or",       "how",       "do",
    "does",      "did",    "i",       "my",        "me",       "we",       "our",       "you",
    "your",      "their",  "its",     "is",        "are",      "was",      "were",      "be",
    "been",      "being",  "am",      "that",      "this",     "these",    "those",     "what",
    "which",     "who",    "whom",    "whose",     "when",     "where",    "why",       "still",
    "can",       "should", "would",   "could",     "will",     "may",      "might",     "about",
    "after",     "before", "up",      "out",       "into",     "as",       "it",        "get",
    "make",      "sure",   "someone", "something", "have",     "has",      "had",       "there",
    "any",       "some",   "all",     "file",      "files",    "document", "documents", "note",
    "notes",     "find",   "show",    "tell",      "contains", "contain",  "mention",   "mentions",
    "mentioned", "write",  "wrote",   "written",   "than",     "then",     "if",        "not",
    "no",        "but",    "so",      "just",      "he",       "she",      "they",      "his",
    "her",       "him",    "them",    "also",      "very",     "over",     "under",     "one",
    "ones",      "say",    "says",    "said"};

const std::vector<std::string> kOpeners = {"is there",
                                           "are there",
                                           "do i have",
                                           "did i",
                                           "have i",
                                           "can i find",
                                           "find the file",
                                           "find the document",
                                           "find the note",
                                           "find me the file",
                                           "find me the document",
                                           "find a file",
                                           "find a document",
                                           "show me the file",
                                           "show me where"};

const std::vector<std::string> kFrames = {"which file contains",
                                          "which file has",
                                          "which file mentions",
                                          "which files contain",
                                          "which file talks about",
                                          "which file is about",
                                          "which document contains",
                                          "which document mentions",
                                          "which document has",
                                          "which one mentions",
                                          "which note mentions",
                                          "which note has",
                                          "which file",
                                          "which document",
                                          "which note",
                                          "where did i write about",
                                          "where did i write down",
                                          "where did i write",
                                          "where did i mention",
                                          "where did i put",
                                          "where did i save",
                                          "where did i note",
                                          "where is",
                                          "where was",
                                          "where are",
                                          "find the file that mentions",
                                          "find the file that has",
                                          "find the file that contains",
                                          "find the file that",
                                          "find the file where",
                                          "find the file with",
                                          "find the document that",
                                          "find the document where",
                                          "find the note that",
                                          "find the note about",
                                          "find me the file that",
                                          "find a file that",
                                          "what is",
                                          "what are",
                                          "what was",
                                          "what were",
                                          "what does",
                                          "what did",
                                          "how do i",
                                          "how did i",
                                          "how can i",
                                          "how to",
                                          "how does",
                                          "how many",
                                          "how much",
                                          "who is",
                                          "who was",
                                          "when did i",
                                          "when is",
                                          "when was",
                                          "is there a",
                                          "is there",
                                          "are there",
                                          "do i have a",
                                          "do i have"};

}  // namespace

bool isWhWord(std::string_view word) {
  return kWhWords.contains(word);
}
bool isFilterKey(std::string_view word) {
  return kFilterKeys.contains(word);
}
bool isStopword(std::string_view word) {
  return kStopwords.contains(word);
}

const std::vector<std::string>& openers() {
  return kOpeners;
}

const std::vector<std::string>& framesLongestFirst() {
  static const std::vector<std::string> kSorted = [] {
    std::vector<std::string> frames = kFrames;
    std::stable_sort(frames.begin(), frames.end(), [](const std::string& a, const std::string& b) {
      return unicode::characterCount(a) > unicode::characterCount(b);
    });
    return frames;
  }();
  return kSorted;
}

}  // namespace quorvale::QuestionWords
