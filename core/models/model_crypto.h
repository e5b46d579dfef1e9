// The cryptography of model downloads over OpenSSL's libcrypto: strict Base64 for keys and
// signatures, Ed25519 verification, and the SHA-256 of a file read in pieces. Pure functions;
// any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvale::model_crypto {

// The bytes of standard Base64 text with "=" fill (length a multiple of 4); nothing for any
// other text.
std::optional<std::string> decodeBase64(std::string_view text);

// Whether `signature` (64 bytes) is the Ed25519 signature of `message` under the 32-byte raw
// public key. False for keys or signatures of the wrong length.
bool verifyEd25519(std::string_view publicKey, std::string_view message,
                   std::string_view signature);

// The lower-case hexadecimal SHA-256 of the file's bytes. Throws std::system_error when the
// file cannot be read.
std::string sha256Hex(const std::string& path);

}  // namespace quorvale::model_crypto
