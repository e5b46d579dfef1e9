// Decoding the bytes of text files and of converter output into UTF-8, and measuring text
// against a character budget. Pure functions; safe on any thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quorvale {

// The first bytes of a plain-text file as UTF-8 text; nothing when they hold a zero byte (the
// file is binary). `cutShort` says the file goes on past these bytes. UTF-8 is expected: a
// leading byte-order mark is dropped, so is a character that the cut splits, and a stray invalid
// byte in otherwise UTF-8 text becomes U+FFFD.
// Text that is plainly not UTF-8 (more invalid bytes than well-formed multi-byte characters) is
// read as Windows-1252, the usual encoding of older Western text files, so that Latin-1 text
// still gives its words.
std::optional<std::string> decodePlainText(std::string_view bytes, bool cutShort);

// Bytes that should be UTF-8 but may be cut at an arbitrary point (an output cap) or damaged:
// an incomplete character at the end is dropped, any other invalid sequence becomes U+FFFD.
std::string decodeUtf8Prefix(std::string_view bytes);

// Bytes read as Windows-1252; the five bytes it leaves undefined read as the C1 controls of the
// same value, as in ISO-8859-1.
std::string windows1252ToUtf8(std::string_view bytes);

// Whether the text holds at least `count` characters (grapheme clusters), without counting all
// the characters of a long text.
bool holdsCharacters(std::string_view text, std::size_t count);

}  // namespace quorvale
