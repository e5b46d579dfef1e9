// DefaultExtractor::isSecretFile: the names and extensions of files that hold credentials.
#include <algorithm>
#include <array>

#include "scan/default_extractor.h"
#include "util/unicode.h"

namespace quorvale {
namespace {

template <std::size_t N>
bool isOneOf(std::string_view word, const std::array<std::string_view, N>& words) {
  return std::find(words.begin(), words.end(), word) != words.end();
}

constexpr std::array<std::string_view, 17> kSecretExtensions = {
    "env",      "pem",      "key", "p12", "p8",  "pfx",  "kdbx",   "tfvars", "tfstate",
    "keychain", "keystore", "jks", "asc", "gpg", "ovpn", "pgpass", "pypirc"};

constexpr std::array<std::string_view, 5> kSecretNames = {".pgpass", ".pypirc", ".npmrc",
                                                          ".dockercfg", ".git-credentials"};

constexpr std::array<std::string_view, 13> kSecretWords = {
    "password", "passwd",  "secret",    "credential", "private-key",  "privatekey",  "apikey",
    "api_key",  "api-key", "api-token", "api_token",  "access-token", "access_token"};

}  // namespace

bool DefaultExtractor::isSecretFile(std::string_view name, std::string_view ext) {
  const std::string lowerName = unicode::lowercased(name);
  const std::string lowerExt = unicode::lowercased(ext);
  if (isOneOf(lowerExt, kSecretExtensions)) return true;
  if (isOneOf(lowerName, kSecretNames)) return true;
  if (lowerName.starts_with(".env") || lowerName == ".netrc" || lowerName.starts_with("id_rsa") ||
      lowerName.starts_with("id_ed25519")) {
    return true;
  }
  if (lowerName.find("secretar") != std::string::npos) return false;
  return std::any_of(kSecretWords.begin(), kSecretWords.end(), [&](std::string_view word) {
    return lowerName.find(word) != std::string::npos;
  });
}

}  // namespace quorvale
