#include "index/query_parser.h"
#include "util/unicode.h"

namespace quorvale::QueryParser {
namespace {

bool isSpace(const std::string& character) {
  std::u32string scalars = unicode::scalars(character);
  return !scalars.empty() && unicode::isWhitespace(scalars.front());
}

struct Splitter {
  std::vector<std::string> tokens;
  std::string current;

  void end() {
    if (!current.empty()) tokens.push_back(std::move(current));
    current.clear();
  }
};

}  // namespace

std::vector<std::string> splitKeepingQuotes(std::string_view text) {
  std::vector<std::string> characters = unicode::characters(text);
  Splitter split;
  bool inQuotes = false;
  // Where the last opening quote stood, to split again from there if it is never closed.
  Splitter atOpening;
  std::size_t openingIndex = 0;

  for (std::size_t i = 0; i < characters.size(); ++i) {
    const std::string& c = characters[i];
    if (c == "\"") {
      if (!inQuotes) {
        atOpening = split;
        openingIndex = i;
      }
      inQuotes = !inQuotes;
      split.current += c;
    } else if (!inQuotes && isSpace(c)) {
      split.end();
    } else {
      split.current += c;
    }
  }
  if (inQuotes) {
    // No quote follows the unclosed one, so the rest splits at every space.
    split = std::move(atOpening);
    for (std::size_t i = openingIndex; i < characters.size(); ++i) {
      if (isSpace(characters[i])) {
        split.end();
      } else {
        split.current += characters[i];
      }
    }
  }
  split.end();
  return split.tokens;
}

}  // namespace quorvale::QueryParser
