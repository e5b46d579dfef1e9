// Feeds arbitrary text to the model manifest's decoder and checks. Decoding must refuse with
// ModelError or yield a manifest whose validation, under a key that signed nothing, refuses it
// as unsigned: no forged or damaged manifest may pass, and none may crash the checks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "models/model_downloader.h"
#include "models/model_error.h"
#include "models/model_manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const quorvale::ModelDownloader downloader(quorvale::ModelStore("/nonexistent/Models"),
                                                    std::string(32, '\x42'),
                                                    {.allowedHosts = {"models.example"}});
  std::string text(reinterpret_cast<const char*>(data), size);
  try {
    quorvale::ModelManifest manifest = quorvale::ModelManifest::decode(text);
    (void)manifest.signedMessage();
    downloader.validate(manifest);
    std::abort();  // nothing here was signed by that key
  } catch (const quorvale::ModelError& error) {
    bool expected = error.kind() == quorvale::ModelError::Kind::network ||
                    error.kind() == quorvale::ModelError::Kind::notSigned;
    if (!expected) std::abort();
  }
  return 0;
}
