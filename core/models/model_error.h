// The failures of fetching, checking and installing a model (ModelDownloader, ModelStore). Each
// carries a kind the model controller turns into the text the user sees, and a description for
// logs and the command line. Plain values; any thread.
#pragma once

#include <stdexcept>
#include <string>

namespace quorvale {

class ModelError : public std::runtime_error {
 public:
  enum class Kind {
    badManifest,         // the manifest's address or numbers are unacceptable
    network,             // a status outside 200-299, or a transfer error
    installFailed,       // unpacking, checking or moving the files failed
    notSigned,           // the signature is missing, not Base64, or does not verify
    wrongHost,           // the file's host is not an allowed one
    sizeMismatch,        // the downloaded file has another size than the manifest says
    hashMismatch,        // the downloaded file has another SHA-256 than the manifest says
    notEnoughDiskSpace,  // less free space than three times the download's size
  };

  ModelError(Kind kind, const std::string& message = "")
      : std::runtime_error(message.empty() ? describe(kind) : message), kind_(kind) {}

  Kind kind() const { return kind_; }

  static ModelError badManifest(const std::string& message) { return {Kind::badManifest, message}; }
  static ModelError network(const std::string& message) { return {Kind::network, message}; }
  static ModelError installFailed(const std::string& message) {
    return {Kind::installFailed, message};
  }

 private:
  static std::string describe(Kind kind);

  Kind kind_;
};

// Thrown by an installation that was asked to stop; it has left the store as it was.
class ModelInstallCancelled : public std::runtime_error {
 public:
  ModelInstallCancelled() : std::runtime_error("the installation was cancelled") {}
};

}  // namespace quorvale
