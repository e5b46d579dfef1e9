// Letter-case and identifier-style conversions for the quick tools ("upper", "title", "slug",
// "snake", "kebab", "camel") and the word and character counts of "count".
// Pure functions, any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quorvale::quick {

// The identifier words of the text: the file-name word splitter (camel-case humps become
// words; "_", "-", "." and "/" separate), then cut at every character that is neither a letter
// nor a number, empty pieces dropped, each piece lower-cased. "MyFile and two" -> my, file,
// and, two.
std::vector<std::string> words(std::string_view text);

// Every word (a run between white space) with its first letter upper-case and the letters after
// it lower-case; what stands before the first letter stays as typed ("'hello" -> "'Hello").
std::string titleCased(std::string_view text);
// Case and accents folded away, then `words` joined with "-": "Crème Brûlée!" -> creme-brulee.
std::string slug(std::string_view text);
std::string snakeCased(std::string_view text);
std::string kebabCased(std::string_view text);
// The first word as it is, the first letter of every further word upper-cased, no separator.
// Empty when the text has no words.
std::string camelCased(std::string_view text);

// The words between white space, and the characters (grapheme clusters) of the text.
std::size_t wordCount(std::string_view text);
std::size_t characterCount(std::string_view text);

}  // namespace quorvale::quick
