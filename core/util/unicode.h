// Unicode helpers over ICU, in the units the rest of the system counts in.
//
// "Characters" are extended grapheme clusters (what a reader sees as one letter, "e" plus a
// combining accent, a flag, "\r\n"); "scalars" are Unicode code points, the unit SQLite's
// substr() and length() count; "UTF-16 units" are what ICU's UnicodeString indexes.
// Every function takes and returns UTF-8. Invalid UTF-8 never crashes a function here: it is
// read as U+FFFD per bad sequence. All functions are pure and safe on any thread.
#pragma once

#include <unicode/utf8.h>

#include <cstddef>
#include <cstdint>
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

// One scalar as `forEachScalar` hands it over: its value (U+FFFD for an invalid sequence, which
// then has `valid` false) and the bytes it was read from.
struct ScalarRead {
  char32_t value;
  std::string_view bytes;
  bool valid;
};
// Calls visit(ScalarRead) for each scalar in order; each invalid sequence is one U+FFFD, as
// everywhere here. Inline, for the loops that run over every keystroke's text.
template <typename Visit>
void forEachScalar(std::string_view text, Visit&& visit) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  int32_t i = 0;
  while (i < length) {
    const int32_t start = i;
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    const bool valid = c >= 0;
    visit(ScalarRead{
        .value = valid ? static_cast<char32_t>(c) : char32_t{0xFFFD},
        .bytes = text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start)),
        .valid = valid});
  }
}

bool isLetter(char32_t c);
bool isDigit(char32_t c);  // a decimal digit of any script
bool isUpper(char32_t c);
bool isLower(char32_t c);
bool isWhitespace(char32_t c);  // white space or a line break
bool isLineBreak(char32_t c);   // LF, CR, VT, FF, NEL, LS or PS
// True when every byte is below 0x80 (the fast paths of most functions here).
bool isAscii(std::string_view text);

// Full Unicode case mapping (ß upper-cases to SS), locale-independent.
std::string lowercased(std::string_view text);
std::string uppercased(std::string_view text);
// A-Z to a-z only, every other byte kept: for protocol words (host names, hex digests, name
// endings) that must not follow Unicode's rules.
std::string asciiLowercased(std::string text);
// Trimming. The views point into the argument; a bad byte is never trimmed away.
// White space and line breaks at either end; `trimmed` also repairs invalid UTF-8.
std::string trimmed(std::string_view text);
std::string_view trimmedWhitespace(std::string_view text);
// White space at either end, line breaks kept.
std::string_view trimmedSpaces(std::string_view text);
// The given ASCII bytes at either end: by default the spaces and tabs of one typed line.
std::string_view trimmedAscii(std::string_view text, std::string_view bytes = " \t");
// Splits camel case (myFile -> my File) and turns "_", "-", "." and "/" into spaces: the words a
// file name is searched by, and the words the case-style tools rebuild.
std::string spaced(std::string_view text);

}  // namespace quorvale::unicode
