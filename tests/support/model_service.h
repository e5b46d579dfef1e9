// A stand-in for the maker's model service in tests: an Ed25519 key pair made at run time that
// signs manifests, and an HTTPS server on 127.0.0.1 (the openssl command's s_server) serving a
// folder with a self-signed certificate made at run time. Nothing leaves the machine.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <string_view>

#include "models/model_manifest.h"
#include "support/test_support.h"

namespace quorvale::testing {

// The manifest as the service publishes it (JSON with every field, the signature included).
std::string manifestJson(const ModelManifest& manifest);

class TestSigningKey {
 public:
  TestSigningKey();
  ~TestSigningKey();
  TestSigningKey(const TestSigningKey&) = delete;
  TestSigningKey& operator=(const TestSigningKey&) = delete;

  // The 32 raw bytes, and as the 44 Base64 characters of the defaults file.
  const std::string& publicKey() const { return publicKey_; }
  std::string publicKeyBase64() const;
  // The Base64 signature of the message.
  std::string sign(std::string_view message) const;
  // The private key as PEM, for the signing script.
  std::string privateKeyPem() const;

 private:
  struct Key;
  std::unique_ptr<Key> key_;
  std::string publicKey_;
};

class LocalHttpsServer {
 public:
  // Serves the files below `folder()`; throws std::runtime_error when the server cannot start.
  LocalHttpsServer();
  ~LocalHttpsServer();
  LocalHttpsServer(const LocalHttpsServer&) = delete;
  LocalHttpsServer& operator=(const LocalHttpsServer&) = delete;

  std::string folder() const { return dir_ / "www"; }
  // The certificate to trust.
  std::string caFile() const { return dir_ / "cert.pem"; }
  // "https://127.0.0.1:<port>" + path (which starts with "/").
  std::string url(std::string_view path) const;
  // Puts a file at the path below the served folder.
  void serve(std::string_view path, std::string_view bytes) const;

 private:
  TempDir dir_;
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace quorvale::testing
