#include "quick/encodings.h"

#include <openssl/evp.h>

#include <algorithm>

#include "util/unicode.h"

namespace quorvale::quick {
namespace {

// EVP_EncodeBlock takes an int length: encode in pieces that are a multiple of 3 bytes.
constexpr std::size_t kEncodePiece = 3 * 1024 * 1024;
// EVP_DecodeBlock takes an int length too; quick-tool texts are far shorter.
constexpr std::size_t kMaxDecodedText = 1u << 30;

bool isBase64Letter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
         c == '/';
}

// Standard Base64 in blocks of four, with at most two "=" and only at the very end. OpenSSL's
// decoder alone would also take white space inside and "=" in the middle.
bool isCanonicalShape(std::string_view text) {
  if (text.empty() || text.size() % 4 != 0) return false;
  std::size_t fill = 0;
  while (fill < 2 && text[text.size() - 1 - fill] == '=') ++fill;
  const std::string_view letters = text.substr(0, text.size() - fill);
  return std::all_of(letters.begin(), letters.end(), isBase64Letter);
}

}  // namespace

std::string base64Encoded(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4 + 1);
  for (std::size_t start = 0; start < bytes.size(); start += kEncodePiece) {
    const std::string_view piece = bytes.substr(start, kEncodePiece);
    std::string block((piece.size() + 2) / 3 * 4 + 1, '\0');
    const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(block.data()),
                                        reinterpret_cast<const unsigned char*>(piece.data()),
                                        static_cast<int>(piece.size()));
    out.append(block.data(), static_cast<std::size_t>(std::max(written, 0)));
  }
  return out;
}

std::optional<std::string> decodeBase64(std::string_view text) {
  std::string standard(unicode::trimmedWhitespace(text));
  std::replace(standard.begin(), standard.end(), '-', '+');
  std::replace(standard.begin(), standard.end(), '_', '/');
  while (standard.size() % 4 != 0) standard += '=';
  if (!isCanonicalShape(standard) || standard.size() > kMaxDecodedText) return std::nullopt;

  std::string bytes(standard.size() / 4 * 3, '\0');
  const int decoded = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                                      reinterpret_cast<const unsigned char*>(standard.data()),
                                      static_cast<int>(standard.size()));
  if (decoded < 0) return std::nullopt;
  // The decoder counts the fill as zero bytes.
  const auto fill = static_cast<std::size_t>(
      std::count(standard.end() - std::min<std::size_t>(2, standard.size()), standard.end(), '='));
  bytes.resize(static_cast<std::size_t>(decoded) - fill);
  if (!unicode::isValidUtf8(bytes)) return std::nullopt;
  return bytes;
}

}  // namespace quorvale::quick
