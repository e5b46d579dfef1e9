#include "models/model_error.h"

namespace quorvale {

std::string ModelError::describe(Kind kind) {
  switch (kind) {
    case Kind::badManifest:
      return "the manifest is unacceptable";
    case Kind::network:
      return "the transfer failed";
    case Kind::installFailed:
      return "the installation failed";
    case Kind::notSigned:
      return "the manifest's signature did not verify";
    case Kind::wrongHost:
      return "the file's host is not an allowed one";
    case Kind::sizeMismatch:
      return "the download's size differs from the manifest's";
    case Kind::hashMismatch:
      return "the download's SHA-256 differs from the manifest's";
    case Kind::notEnoughDiskSpace:
      return "there is not enough free disk space";
  }
  return "the model could not be installed";
}

}  // namespace quorvale
