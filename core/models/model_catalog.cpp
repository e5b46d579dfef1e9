#include "models/model_catalog.h"

#include <algorithm>
#include <cctype>

#include "models/https_transfer.h"
#include "models/model_crypto.h"
#include "models/modern_bert_embedder.h"
#include "settings/user_defaults.h"
#include "util/unicode.h"

namespace quorvale {
namespace {

std::string stringValue(const UserDefaults& defaults, std::string_view key) {
  auto value = defaults.value(key);
  return value && value->is_string() ? value->get<std::string>() : std::string();
}

}  // namespace

ModelCatalog ModelCatalog::fromDefaults(const UserDefaults& defaults) {
  ModelCatalog catalog{.manifestURL = stringValue(defaults, kManifestURLKey),
                       .publicKeyBase64 = stringValue(defaults, kPublicKeyKey)};
  auto hosts = defaults.value(kAllowedHostsKey);
  if (hosts && hosts->is_array()) {
    for (const auto& host : *hosts) {
      if (host.is_string()) catalog.extraHosts.push_back(host.get<std::string>());
    }
  }
  return catalog;
}

std::string ModelCatalog::publicKey() const {
  auto key = model_crypto::decodeBase64(publicKeyBase64);
  return key && key->size() == 32 ? *key : std::string();
}

std::set<std::string> ModelCatalog::allowedHosts() const {
  std::set<std::string> hosts;
  if (auto url = https::parseUrl(manifestURL); url && !url->host.empty()) hosts.insert(url->host);
  for (const auto& host : extraHosts) {
    if (!host.empty()) hosts.insert(unicode::asciiLowercased(host));
  }
  return hosts;
}

std::int64_t ModelCatalog::loadCheck(const std::string& folder) {
  ModernBertEmbedder encoder(folder, kMaxTokens);
  return static_cast<std::int64_t>(encoder.dimension());
}

}  // namespace quorvale
