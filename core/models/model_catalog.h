// The model this version of Quorvale expects, and where it may be downloaded from. There is no
// fixed download service: whoever offers the model sets three deployment values in the user
// defaults file (defaults.json, see settings/user_defaults.h), all absent by default:
//
//   "quorvale.models.manifestURL"   string, the https address of the signed manifest, by
//                                   convention ending in "/functions/quorvale-model?manifest=1"
//   "quorvale.models.publicKey"     string, the Ed25519 public key that signs it: 32 bytes as
//                                   44 Base64 characters (scripts/sign-model-manifest prints it)
//   "quorvale.models.allowedHosts"  list of strings, further hosts the model file may come from
//                                   besides the manifest's own host
//
// Without a manifest address nothing is offered for download; the model can still be installed
// from files on disk (`quorvale --install-model PATH`). Plain values; any thread.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace quorvale {

class UserDefaults;

struct ModelCatalog {
  static constexpr const char* modelID = "quorvale-embed-1";
  static constexpr std::string_view kManifestURLKey = "quorvale.models.manifestURL";
  static constexpr std::string_view kPublicKeyKey = "quorvale.models.publicKey";
  static constexpr std::string_view kAllowedHostsKey = "quorvale.models.allowedHosts";
  // The token limit the encoder is loaded with.
  static constexpr int kMaxTokens = 256;

  std::string manifestURL;  // empty: no download is offered
  std::string publicKeyBase64;
  std::vector<std::string> extraHosts{};

  // The values stored in the defaults file; members of the wrong type read as absent.
  static ModelCatalog fromDefaults(const UserDefaults& defaults);

  // The key's 32 raw bytes; empty when `publicKeyBase64` is not such a key.
  std::string publicKey() const;
  // The hosts a model file may come from: the manifest's host and the extra ones, lower case.
  std::set<std::string> allowedHosts() const;

  // Loads the encoder from the folder as the engine will and returns its vector length; throws
  // what the encoder throws for files it cannot use.
  static std::int64_t loadCheck(const std::string& folder);

  bool operator==(const ModelCatalog&) const = default;
};

}  // namespace quorvale
