// Feeds arbitrary headers to the safetensors reader. The first byte chooses the form: 0 takes
// the rest as the whole file; otherwise the rest is the JSON header, given a correct length
// prefix and 64 data bytes behind it. The reader must refuse with SafeTensors::Failure or open a
// file whose every tensor converts, whole and by rows, within the mapping.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "models/safe_tensors.h"

namespace {

const std::string& scratchPath() {
  static const std::string path = "/tmp/quorvale-safetensors-fuzz-" + std::to_string(getpid());
  return path;
}

void writeScratch(const std::string& bytes) {
  FILE* file = std::fopen(scratchPath().c_str(), "wb");
  if (file == nullptr) std::abort();
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string file;
  if (data[0] == 0) {
    file = rest;
  } else {
    std::uint64_t length = rest.size();
    for (int i = 0; i < 8; ++i) file += static_cast<char>((length >> (8 * i)) & 0xFF);
    file += rest + std::string(64, '\x3c');
  }
  writeScratch(file);
  try {
    quorvale::SafeTensors tensors(scratchPath());
    for (const auto& [name, info] : tensors.tensors()) {
      auto values = tensors.floats(name);
      if (static_cast<std::int64_t>(values.size()) != info.count()) std::abort();
      if (tensors.rawBytes(name).size() != static_cast<std::size_t>(info.length)) std::abort();
      if (info.shape.size() >= 2 && info.shape[0] > 0 && info.shape[1] > 0) {
        std::vector<float> row(static_cast<std::size_t>(info.shape[1]));
        tensors.copyRow(info, 0, row.data());
        tensors.copyRow(info, info.shape[0] - 1, row.data());
      }
    }
  } catch (const quorvale::SafeTensors::Failure&) {
  }
  return 0;
}
