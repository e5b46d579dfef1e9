#include "models/model_crypto.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <memory>
#include <system_error>

#include "util/unique_fd.h"

namespace quorvale::model_crypto {
namespace {

struct PkeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct MdContextFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;
using MdContext = std::unique_ptr<EVP_MD_CTX, MdContextFree>;

bool isBase64Character(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
         c == '/';
}

// Well-formed padded Base64: only the alphabet, then at most two "=" at the very end.
bool isPaddedBase64(std::string_view text) {
  if (text.empty() || text.size() % 4 != 0) return false;
  std::size_t fill = 0;
  while (fill < 2 && text[text.size() - 1 - fill] == '=') ++fill;
  for (std::size_t i = 0; i + fill < text.size(); ++i) {
    if (!isBase64Character(text[i])) return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> decodeBase64(std::string_view text) {
  if (!isPaddedBase64(text)) return std::nullopt;
  std::string bytes(text.size() / 4 * 3, '\0');
  int length = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                               reinterpret_cast<const unsigned char*>(text.data()),
                               static_cast<int>(text.size()));
  if (length < 0) return std::nullopt;
  // EVP_DecodeBlock counts the fill as decoded zero bytes.
  std::size_t fill = static_cast<std::size_t>(text.end()[-1] == '=') +
                     static_cast<std::size_t>(text.end()[-2] == '=');
  bytes.resize(static_cast<std::size_t>(length) - fill);
  return bytes;
}

bool verifyEd25519(std::string_view publicKey, std::string_view message,
                   std::string_view signature) {
  if (publicKey.size() != 32 || signature.size() != 64) return false;
  Pkey key(EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr,
                                       reinterpret_cast<const unsigned char*>(publicKey.data()),
                                       publicKey.size()));
  MdContext context(EVP_MD_CTX_new());
  if (!key || !context) return false;
  if (EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1) return false;
  return EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature.data()),
                          signature.size(), reinterpret_cast<const unsigned char*>(message.data()),
                          message.size()) == 1;
}

std::string sha256Hex(const std::string& path) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) throw std::system_error(errno, std::generic_category(), "cannot read " + path);
  MdContext context(EVP_MD_CTX_new());
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
    throw std::system_error(ENOMEM, std::generic_category(), "cannot start a digest");
  }
  std::array<char, 1 << 16> buffer{};
  for (;;) {
    ssize_t got = ::read(fd.get(), buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw std::system_error(errno, std::generic_category(), "cannot read " + path);
    if (got == 0) break;
    EVP_DigestUpdate(context.get(), buffer.data(), static_cast<std::size_t>(got));
  }
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int length = 0;
  EVP_DigestFinal_ex(context.get(), digest.data(), &length);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex.push_back(kHex[digest[i] >> 4]);
    hex.push_back(kHex[digest[i] & 15]);
  }
  return hex;
}

}  // namespace quorvale::model_crypto
