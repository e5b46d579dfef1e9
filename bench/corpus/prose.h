// Building blocks of generated text: sentences and titles drawn from the vocabulary, identifiers
// in the usual code spellings, dates and numbers. Every function draws only from the Random it is
// given, so a file's text depends on its own seed alone.
#pragma once

#include <cstdint>
#include <string>

#include "corpus/random.h"

namespace quorvale::bench {

enum class IdentifierCase { camel, pascal, snake, kebab, upperSnake };

// A sentence of 5 to 18 words with a capital letter and a full stop, sometimes with a comma,
// a number or a date inside.
void appendSentence(std::string& out, Random& random);
// `sentences` sentences separated by spaces.
void appendParagraph(std::string& out, Random& random, int sentences);
// Two to five words in title case ("Quarterly Budget Review").
std::string title(Random& random);
// A Markdown document of headed sections of prose, like a person's notes or reports.
std::string markdownDocument(uint64_t seed);
// One to three words joined in the given spelling ("parseInvoiceTotal", "user_profile").
std::string identifier(Random& random, IdentifierCase spelling, int minWords = 1, int maxWords = 3);
// A calendar date from 2019 to 2024 as "2023-04-12".
std::string isoDate(Random& random);
// An amount with two decimals ("1234.50").
std::string amount(Random& random, int64_t maxWhole);
// A word that reads as a proper name (the vocabulary word, capitalised).
std::string capitalised(std::string word);

}  // namespace quorvale::bench
