// Feeds arbitrary bytes as a model's zip archive to the unpacker, into a fresh scratch folder.
// It must refuse with ModelError or unpack only inside the folder: afterwards every item in it,
// links resolved, still lies inside, and nothing appeared beside it.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "models/model_archive.h"
#include "models/model_error.h"

namespace {

namespace fs = std::filesystem;

const fs::path& scratch() {
  static const fs::path path =
      fs::temp_directory_path() / ("quorvale-archive-fuzz-" + std::to_string(getpid()));
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fs::remove_all(scratch());
  fs::create_directories(scratch() / "into");
  std::string archive = scratch() / "input.zip";
  FILE* file = std::fopen(archive.c_str(), "wb");
  if (file == nullptr) std::abort();
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  try {
    quorvale::model_archive::unzip(archive, scratch() / "into", 1 << 22);
    // Unpacked: what is there must pass the check on its own.
    quorvale::model_archive::requireInside(scratch() / "into");
  } catch (const quorvale::ModelError& error) {
    if (error.kind() != quorvale::ModelError::Kind::installFailed) std::abort();
  }
  int beside = 0;
  for (const auto& entry : fs::directory_iterator(scratch())) {
    (void)entry;
    ++beside;
  }
  if (beside != 2) std::abort();  // "into" and "input.zip" only
  return 0;
}
