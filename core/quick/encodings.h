// Base64 for the quick tools' "base64", "b64" and "unbase64" commands, over OpenSSL's codec.
// Pure functions, any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvale::quick {

// Standard Base64 with "=" fill, no line breaks.
std::string base64Encoded(std::string_view bytes);

// The text that `text` encodes: white space at either end is ignored, the URL-safe alphabet
// ("-" and "_") is accepted and missing "=" fill is added. Nothing when the text is not Base64
// or the bytes it encodes are not valid UTF-8.
std::optional<std::string> decodeBase64(std::string_view text);

}  // namespace quorvale::quick
