// The signed description of the one model offered for download, as the maker's service
// publishes it, and its decoding from JSON. Pure values and functions; any thread.
//
// The manifest is one JSON object; every key is required:
//   "id"         string, the model's identifier ("^[a-z0-9][a-z0-9._-]{0,60}$")
//   "name"       string, display name
//   "version"    string, version text
//   "sizeBytes"  integer, exact size of the file to download (1 ... 1,999,999,999)
//   "sha256"     string, hexadecimal SHA-256 of that file (64 characters)
//   "url"        string, https address of the file: a zip archive or a single file
//   "dimension"  integer, the model's vector length
//   "license"    string, the licence text or the licence's name, shown to the user
//   "signature"  string, Base64 Ed25519 signature of `signedMessage()`
// The range checks belong to `ModelDownloader::validate`; decoding only requires the types.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvale {

struct ModelManifest {
  std::string id;
  std::string name;
  std::string version;
  std::int64_t sizeBytes = 0;
  std::string sha256;
  std::string url;
  std::int64_t dimension = 0;
  std::string license;
  std::string signature{};

  // The bytes the signature covers: id|version|sizeBytes|sha256 (digest lower-cased). The
  // address is not signed: the list of allowed hosts constrains it instead.
  std::string signedMessage() const;

  // Throws ModelError (network, with the reason) when the text is not a manifest.
  static ModelManifest decode(std::string_view json);

  bool operator==(const ModelManifest&) const = default;
};

}  // namespace quorvale
