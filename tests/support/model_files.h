// Writing model files for the encoder's tests and benchmarks: safetensors files from tensor
// lists, a byte-level tokenizer file, and whole model folders with random weights.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvale::testing {

struct TensorSpec {
  std::string name;
  std::string dtype;  // "F32", "F16", "BF16" (or anything, for damaged files)
  std::vector<std::int64_t> shape;
  std::string bytes;
};

// The file's bytes: length prefix, JSON header (with "__metadata__" when given), data.
std::string safetensorsBytes(const std::vector<TensorSpec>& tensors,
                             const std::string& metadataJson = "");
// The values in the given element type, little-endian ("F16" rounds, "BF16" truncates).
std::string encodeFloats(const std::vector<float>& values, const std::string& dtype);

struct RandomModelOptions {
  int layers = 2;
  int hidden = 16;
  int heads = 2;
  int intermediate = 24;
  int vocab = 300;
  int localWindow = 4;
  int globalEvery = 3;
  std::string dtype = "F32";  // of every tensor
  std::uint64_t seed = 1;
};

// Writes config.json, model.safetensors (weights uniform in ±0.4, norms around 1) and the byte
// tokenizer of `writeByteTokenizer` into the folder.
void writeRandomModel(const std::string& directory, const RandomModelOptions& options);
// A tokenizer.json whose vocabulary is the 256 byte symbols (ids 0-255) and a few merges of
// lower-case letter pairs, with [CLS] 256 and [SEP] 257.
void writeByteTokenizer(const std::string& path);

}  // namespace quorvale::testing
