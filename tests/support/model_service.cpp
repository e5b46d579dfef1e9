#include "support/model_service.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <regex>
#include <stdexcept>
#include <thread>

#include "quick/encodings.h"
#include "util/process.h"

namespace quorvale {

NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(ModelManifest, id, name, version, sizeBytes, sha256, url,
                                   dimension, license, signature)

namespace testing {

std::string manifestJson(const ModelManifest& manifest) {
  return nlohmann::json(manifest).dump();
}

struct TestSigningKey::Key {
  EVP_PKEY* pkey = nullptr;
  ~Key() { EVP_PKEY_free(pkey); }
};

TestSigningKey::TestSigningKey() : key_(std::make_unique<Key>()) {
  EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr);
  if (context == nullptr || EVP_PKEY_keygen_init(context) != 1 ||
      EVP_PKEY_keygen(context, &key_->pkey) != 1) {
    EVP_PKEY_CTX_free(context);
    throw std::runtime_error("cannot make an Ed25519 key");
  }
  EVP_PKEY_CTX_free(context);
  publicKey_.resize(32);
  std::size_t length = publicKey_.size();
  EVP_PKEY_get_raw_public_key(key_->pkey, reinterpret_cast<unsigned char*>(publicKey_.data()),
                              &length);
}

TestSigningKey::~TestSigningKey() = default;

std::string TestSigningKey::publicKeyBase64() const {
  return quick::base64Encoded(publicKey_);
}

std::string TestSigningKey::sign(std::string_view message) const {
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  std::string signature(64, '\0');
  std::size_t length = signature.size();
  EVP_DigestSignInit(context, nullptr, nullptr, nullptr, key_->pkey);
  EVP_DigestSign(context, reinterpret_cast<unsigned char*>(signature.data()), &length,
                 reinterpret_cast<const unsigned char*>(message.data()), message.size());
  EVP_MD_CTX_free(context);
  return quick::base64Encoded(signature);
}

std::string TestSigningKey::privateKeyPem() const {
  BIO* bio = BIO_new(BIO_s_mem());
  PEM_write_bio_PrivateKey(bio, key_->pkey, nullptr, nullptr, 0, nullptr, nullptr);
  char* data = nullptr;
  long length = BIO_get_mem_data(bio, &data);
  std::string pem(data, static_cast<std::size_t>(length));
  BIO_free(bio);
  return pem;
}

LocalHttpsServer::LocalHttpsServer() {
  makeDirs(folder());
  auto made =
      runProcess("/usr/bin/openssl",
                 {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                  "-nodes", "-keyout", dir_ / "key.pem", "-out", caFile(), "-days", "1", "-subj",
                  "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"},
                 {.timeout = std::chrono::seconds(30)});
  if (!made || made->exitCode != 0) throw std::runtime_error("cannot make a certificate");
  std::string log = dir_ / "server.log";
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || ::chdir(folder().c_str()) != 0) _exit(127);
    ::dup2(out, 1);
    ::dup2(out, 2);
    std::string key = dir_ / "key.pem";
    std::string cert = caFile();
    ::execl("/usr/bin/openssl", "openssl", "s_server", "-accept", "127.0.0.1:0", "-cert",
            cert.c_str(), "-key", key.c_str(), "-WWW", "-naccept", "1000", nullptr);
    _exit(127);
  }
  // s_server announces the port it was given: "ACCEPT 127.0.0.1:PORT".
  std::regex accept("ACCEPT 127\\.0\\.0\\.1:([0-9]+)");
  for (int tries = 0; tries < 200 && port_ == 0; ++tries) {
    std::smatch match;
    std::string text = readFile(log);
    if (std::regex_search(text, match, accept)) port_ = std::atoi(match[1].str().c_str());
    if (port_ == 0) std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  if (port_ == 0) throw std::runtime_error("the HTTPS server did not start");
}

LocalHttpsServer::~LocalHttpsServer() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
}

std::string LocalHttpsServer::url(std::string_view path) const {
  return "https://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

void LocalHttpsServer::serve(std::string_view path, std::string_view bytes) const {
  writeFile(folder() + std::string(path), bytes);
}

}  // namespace testing
}  // namespace quorvale
