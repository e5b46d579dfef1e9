// The weights of a ModernBERT encoder as the forward pass uses them: every layer matrix and norm
// converted to row-major 32-bit floats once at load time, the token table left in the mapped
// weight file and converted row by row, and the rotary tables. Built by ModernBertEmbedder;
// immutable afterwards, so any number of forward passes may read it at once.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "models/encoder_config.h"
#include "models/safe_tensors.h"

namespace quorvale {

// cos and sin of the rotation angle for each position (rows) and pair index (columns).
struct RopeTable {
  std::vector<float> cos;
  std::vector<float> sin;
  int half = 0;

  // angle(p, i) = p / theta^(2i / headSize), for p < positions and i < headSize / 2.
  static RopeTable make(float theta, int headSize, int positions);
};

struct EncoderLayer {
  std::vector<float> attnNorm;  // empty for layer 0, which has no attention norm
  std::vector<float> wqkv;      // 3·hidden × hidden: query, key, then value outputs
  std::vector<float> wo;        // hidden × hidden
  std::vector<float> mlpNorm;   // hidden
  std::vector<float> wi;        // 2·intermediate × hidden: GELU inputs, then gates
  std::vector<float> mlpWo;     // hidden × intermediate
};

struct EncoderWeights {
  EncoderConfig cfg;
  int maxTokens = 0;
  std::shared_ptr<const SafeTensors> file;  // kept open for the token table's rows
  SafeTensors::Info tokInfo;
  std::vector<EncoderLayer> layers;
  std::vector<float> embNorm;
  std::vector<float> finalNorm;
  RopeTable ropeGlobal;
  RopeTable ropeLocal;

  // Reads every tensor of the configured shape from the file. Throws SafeTensors::Failure for a
  // missing tensor and BadEncoderConfig ("token table shape", "shape") for one of the wrong size.
  static EncoderWeights load(std::shared_ptr<const SafeTensors> file, const EncoderConfig& cfg,
                             int maxTokens);
};

namespace encoder_forward {

// The unit-length embedding of the ids (at most `maxTokens` of them, at least one): the hidden
// state of the first token after the last layer, normalised. Ids outside the vocabulary are
// clamped into it. Safe to run concurrently: each thread has its own work buffers, kept for the
// thread's next pass (about 7 MB for 256 tokens at the default shape).
std::vector<float> forward(const EncoderWeights& weights, std::span<const std::int32_t> ids);

}  // namespace encoder_forward
}  // namespace quorvale
