// Unicode helpers over ICU, in the units the rest of the system counts in.
//
// "Characters" are extended grapheme clusters (what a reader sees as one letter, "e" plus a
// combining accent, a flag, "\r\n"); "scalars" are Unicode code points, the unit SQLite's
// substr() and length() count; "UTF-16 units" are what ICU's UnicodeString indexes.
// Every function takes and returns UTF-8. Invalid UTF-8 never crashes a function here: it is
// read as U+FFFD per bad sequence. All functions are pure and safe on any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quorvale::unicode {

bool isValidUtf8(std::string_view text);
// The text with every invalid sequence replaced by U+FFFD.
std::string toValidUtf8(std::string_view text);

std::size_t characterCount(std::string_view text);
std::size_t scalarCount(std::string_view text);
std::size_t utf16Count(std::string_view text);
// The first `count` characters (grapheme clusters) of the text.
std::string prefixCharacters(std::string_view text, std::size_t count);
// The text split into its characters (grapheme clusters), in order.
std::vector<std::string> characters(std::string_view text);
// The text split into its scalars, each as UTF-8.
std::u32string scalars(std::string_view text);
std::string fromScalars(std::u32string_view scalars);
std::string fromScalar(char32_t scalar);

bool isLetter(char32_t c);
bool isDigit(char32_t c);  // a decimal digit of any script
bool isUpper(char32_t c);
bool isLower(char32_t c);
bool isWhitespace(char32_t c);  // white space or a line break

// Full Unicode case mapping (ß upper-cases to SS), locale-independent.
std::string lowercased(std::string_view text);
std::string uppercased(std::string_view text);
// The text without white space and line breaks at either end.
std::string trimmed(std::string_view text);
// Splits camel case (myFile -> my File) and turns "_", "-", "." and "/" into spaces: the words a
// file name is searched by, and the words the case-style tools rebuild.
std::string spaced(std::string_view text);

}  // namespace quorvale::unicode
