// Percent-encoding of text for web addresses, and the two character sets that stay as they are.
//
// Web searches encode the typed words with `queryAllowed`; the quick tools' "urlencode" and
// every other caller that builds an address use `urlUnreserved`. Pure functions, any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvale {

// A set of characters that percent-encoding leaves as they are.
using AllowedCharacters = bool (*)(char32_t);

// Letters and numbers of every script (with the marks that accent them), "-", ".", "_", "~".
bool queryAllowed(char32_t c);
// Exactly the 66 unreserved characters of RFC 3986: A-Z, a-z, 0-9, "-", ".", "_", "~".
bool urlUnreserved(char32_t c);

// The text with every character outside `allowed` written as "%XX" per UTF-8 byte (upper-case
// hexadecimal). Nothing for text that is not valid UTF-8: there is no character to encode.
std::optional<std::string> percentEncoded(std::string_view text, AllowedCharacters allowed);

// Every "%XX" replaced by its byte. Nothing when a "%" is not followed by two hexadecimal digits
// or when the bytes do not form valid UTF-8. "+" stays a plus sign.
std::optional<std::string> percentDecoded(std::string_view text);

}  // namespace quorvale
