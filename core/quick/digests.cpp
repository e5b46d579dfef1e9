#include "quick/digests.h"

#include <openssl/evp.h>

#include <array>
#include <memory>

namespace quorvale::quick {
namespace {

struct MdFree {
  void operator()(EVP_MD* md) const { EVP_MD_free(md); }
};
using FetchedMd = std::unique_ptr<EVP_MD, MdFree>;

const char* openSslName(DigestAlgorithm algorithm) {
  switch (algorithm) {
    case DigestAlgorithm::sha256:
      return "SHA256";
    case DigestAlgorithm::sha1:
      return "SHA1";
    case DigestAlgorithm::sha512:
      return "SHA512";
    case DigestAlgorithm::md5:
      return "MD5";
  }
  return "SHA256";
}

// Fetching an algorithm searches the providers; fetched objects are immutable and shared by all
// threads, so each is fetched once.
const EVP_MD* digestFor(DigestAlgorithm algorithm) {
  static const std::array<FetchedMd, 4> kFetched = [] {
    std::array<FetchedMd, 4> fetched;
    for (int i = 0; i < 4; ++i) {
      fetched[i].reset(
          EVP_MD_fetch(nullptr, openSslName(static_cast<DigestAlgorithm>(i)), nullptr));
    }
    return fetched;
  }();
  return kFetched[static_cast<std::size_t>(algorithm)].get();
}

}  // namespace

std::optional<std::string> hash(DigestAlgorithm algorithm, std::string_view text) {
  const EVP_MD* md = digestFor(algorithm);
  if (md == nullptr) return std::nullopt;
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_Digest(text.data(), text.size(), digest, &size, md, nullptr) != 1) return std::nullopt;
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(size * 2);
  for (unsigned int i = 0; i < size; ++i) {
    out += kHex[digest[i] >> 4];
    out += kHex[digest[i] & 0xF];
  }
  return out;
}

}  // namespace quorvale::quick
