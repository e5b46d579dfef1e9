#include "corpus/prose.h"

#include <cstdio>
#include <string_view>

#include "corpus/vocabulary.h"

namespace quorvale::bench {
namespace {

std::string nameOrContentWord(Random& random) {
  if (random.percent(60)) return std::string(random.pick(nameWords()));
  return zipfWord(random);
}

void appendSpelled(std::string& out, std::string_view word, IdentifierCase spelling, bool first) {
  switch (spelling) {
    case IdentifierCase::camel:
    case IdentifierCase::pascal: {
      std::string part(word);
      if (!first || spelling == IdentifierCase::pascal) part = capitalised(part);
      out += part;
      return;
    }
    case IdentifierCase::snake:
    case IdentifierCase::kebab:
      if (!first) out += spelling == IdentifierCase::snake ? '_' : '-';
      out += word;
      return;
    case IdentifierCase::upperSnake:
      if (!first) out += '_';
      for (char c : word) out += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
      return;
  }
}

}  // namespace

std::string capitalised(std::string word) {
  if (!word.empty() && word[0] >= 'a' && word[0] <= 'z') word[0] = static_cast<char>(word[0] - 32);
  return word;
}

void appendSentence(std::string& out, Random& random) {
  const int words = static_cast<int>(random.between(5, 18));
  const int comma = random.percent(35) ? static_cast<int>(random.between(2, words - 2)) : -1;
  for (int i = 0; i < words; ++i) {
    if (i > 0) out += ' ';
    if (random.percent(2)) {
      out += random.percent(50) ? std::to_string(random.between(2, 2500)) : isoDate(random);
    } else {
      const std::string& word = zipfWord(random);
      out += i == 0 ? capitalised(word) : word;
    }
    if (i == comma) out += ',';
  }
  out += random.percent(8) ? '?' : '.';
}

void appendParagraph(std::string& out, Random& random, int sentences) {
  for (int i = 0; i < sentences; ++i) {
    if (i > 0) out += ' ';
    appendSentence(out, random);
  }
}

std::string title(Random& random) {
  const int words = static_cast<int>(random.between(2, 5));
  std::string out;
  for (int i = 0; i < words; ++i) {
    if (i > 0) out += ' ';
    out += capitalised(nameOrContentWord(random));
  }
  return out;
}

std::string markdownDocument(uint64_t seed) {
  Random random(deriveSeed(seed, 77));
  std::string text = "# " + title(random) + "\n\n";
  const int sections = static_cast<int>(random.between(2, 8));
  for (int s = 0; s < sections; ++s) {
    text += "## " + title(random) + "\n\n";
    const int paragraphs = static_cast<int>(random.between(1, 6));
    for (int p = 0; p < paragraphs; ++p) {
      appendParagraph(text, random, static_cast<int>(random.between(2, 7)));
      text += "\n\n";
    }
  }
  return text;
}

std::string identifier(Random& random, IdentifierCase spelling, int minWords, int maxWords) {
  const int words = static_cast<int>(random.between(minWords, maxWords));
  std::string out;
  for (int i = 0; i < words; ++i) {
    appendSpelled(out, std::string(random.pick(nameWords())), spelling, i == 0);
  }
  return out;
}

std::string isoDate(Random& random) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d",
                static_cast<int>(random.between(2019, 2024)),
                static_cast<int>(random.between(1, 12)), static_cast<int>(random.between(1, 28)));
  return buffer;
}

std::string amount(Random& random, int64_t maxWhole) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%lld.%02d",
                static_cast<long long>(random.between(1, maxWhole)),
                static_cast<int>(random.between(0, 99)));
  return buffer;
}

}  // namespace quorvale::bench
