#include "index/query_parser.h"
#include "index/word_split.h"
#include "query/smart_search.h"
#include "util/unicode.h"

namespace quorvale::SmartSearch {

const std::map<std::string, std::vector<std::string>>& extensionAliases() {
  static const std::map<std::string, std::vector<std::string>> aliases = {
      {"markdown", {"md", "markdown"}},
      {"python", {"py"}},
      {"javascript", {"js", "mjs", "cjs"}},
      {"typescript", {"ts", "tsx"}},
      {"shell", {"sh", "zsh"}},
      {"stylesheet", {"css", "scss"}},
      {"webpage", {"html"}},
      {"json", {"json"}},
      {"yaml", {"yml", "yaml"}},
      {"script", {"sh", "py", "js", "mjs"}},
      {"swift", {"swift"}},
      {"latex", {"tex"}},
      {"bibtex", {"bib"}},
      {"text", {"txt", "md"}},
      {"csv", {"csv"}},
  };
  return aliases;
}

const std::set<std::string>& stopwords() {
  static const std::set<std::string> words = {
      "the",   "a",     "an",    "of",    "to",      "for",      "in",    "on",    "at",
      "by",    "with",  "from",  "and",   "or",      "how",      "do",    "does",  "did",
      "i",     "my",    "me",    "we",    "our",     "you",      "your",  "their", "its",
      "is",    "are",   "was",   "were",  "be",      "that",     "this",  "these", "those",
      "what",  "which", "who",   "when",  "where",   "why",      "still", "can",   "should",
      "would", "could", "about", "after", "before",  "up",       "out",   "into",  "as",
      "it",    "get",   "make",  "sure",  "someone", "something"};
  return words;
}

std::vector<std::string> tokens(std::string_view text) {
  std::vector<std::string> words = Index_split(unicode::lowercased(unicode::spaced(text)));
  if (words.size() > QueryParser::kMaxTerms) words.resize(QueryParser::kMaxTerms);
  for (auto& word : words) word = unicode::prefixCharacters(word, QueryParser::kMaxTermCharacters);
  return words;
}

int nameCoverage(const std::vector<std::string>& terms, const FileRecord& record) {
  std::string name = unicode::lowercased(record.name);
  const auto& aliases = extensionAliases();
  int covered = 0;
  for (const auto& term : terms) {
    bool inName = name.find(term) != std::string::npos;
    bool format = false;
    if (auto found = aliases.find(term); found != aliases.end()) {
      const auto& extensions = found->second;
      format = std::find(extensions.begin(), extensions.end(), record.ext) != extensions.end();
    }
    if (inName || format) ++covered;
  }
  return covered;
}

}  // namespace quorvale::SmartSearch
