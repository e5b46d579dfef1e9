// Message digests for the quick tools' "sha256", "sha1", "sha512" and "md5" commands, through
// OpenSSL's EVP interface. Pure functions, any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvale::quick {

enum class DigestAlgorithm { sha256, sha1, sha512, md5 };

// The lower-case hexadecimal digest of the text's bytes; nothing only if OpenSSL fails.
std::optional<std::string> hash(DigestAlgorithm algorithm, std::string_view text);

}  // namespace quorvale::quick
