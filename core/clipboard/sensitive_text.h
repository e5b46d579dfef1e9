// Whether a copied text looks like a secret that the clipboard history must not keep: private
// keys, service and web tokens, identity and card numbers, one-time codes, and strings that look
// like passwords or generated keys, but not names of files or identifiers.
//
// Called by the clip store for every copy while the policy's `skipSensitive` is set. Stateless;
// the regular expressions are compiled once and shared. Safe on any thread.
#pragma once

#include <string_view>

namespace quorvale::SensitiveText {

// The rules in order, on the text trimmed of white space and line breaks; the first that fires
// decides: a private key; a service token; a web token; an identity number (123-45-6789); 13 to
// 19 digits, written with only spaces and dashes between them, that pass the Luhn check; a six-
// to eight-digit code; a password-like string of 8 to 200 characters with upper- and lower-case
// letters and a symbol beyond "._-@,:+"; a generated token of 16 to 200 characters mixing upper-
// and lower-case letters and digits. The last two spare texts holding a space (U+0020; other
// white space such as a tab or a line break does not count) or "/", web
// addresses (texts beginning "http") and texts that look like names.
bool looksSensitive(std::string_view text);

// The Luhn check over a string of ASCII decimal digits: from the right, every second digit is
// doubled (less 9 when above 9) and the sum must be a multiple of 10. False for an empty string
// or any other character.
bool luhn(std::string_view digits);

// True for a text ending in a file extension (".pdf"), a lower camel-case identifier
// ("camelCaseName") or an upper camel-case one ("UpperCamelCase").
bool looksLikeAName(std::string_view text);

}  // namespace quorvale::SensitiveText
