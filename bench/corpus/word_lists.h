// The fixed English word lists behind the corpus vocabulary. Duplicates across lists are allowed;
// the vocabulary keeps the first occurrence.
#pragma once

#include <span>
#include <string_view>

namespace quorvale::bench {

// The most frequent English words, roughly in order of frequency.
std::span<const std::string_view> functionWords();
// Nouns and verbs of offices, projects and homes, fit for file and folder names.
std::span<const std::string_view> nameWordList();
// Ordinary words of the middle ranks.
std::span<const std::string_view> commonWords();

}  // namespace quorvale::bench
