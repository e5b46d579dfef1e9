#include "models/encoder_weights.h"

#include <cmath>
#include <string>

namespace quorvale {
namespace {

std::vector<float> tensor(const SafeTensors& file, const std::string& name, std::int64_t count) {
  auto values = file.floats(name);
  // The forward pass indexes by the configured shape; a tensor of another size would send it
  // outside the buffer.
  if (static_cast<std::int64_t>(values.size()) != count) throw BadEncoderConfig("shape");
  return values;
}

}  // namespace

RopeTable RopeTable::make(float theta, int headSize, int positions) {
  RopeTable table;
  table.half = headSize / 2;
  auto size = static_cast<std::size_t>(positions) * static_cast<std::size_t>(table.half);
  table.cos.resize(size);
  table.sin.resize(size);
  for (int p = 0; p < positions; ++p) {
    for (int i = 0; i < table.half; ++i) {
      float exponent = static_cast<float>(2 * i) / static_cast<float>(headSize);
      float angle = static_cast<float>(p) / std::pow(theta, exponent);
      auto at = static_cast<std::size_t>(p) * static_cast<std::size_t>(table.half) +
                static_cast<std::size_t>(i);
      table.cos[at] = std::cos(angle);
      table.sin[at] = std::sin(angle);
    }
  }
  return table;
}

EncoderWeights EncoderWeights::load(std::shared_ptr<const SafeTensors> file,
                                    const EncoderConfig& cfg, int maxTokens) {
  EncoderWeights weights;
  weights.cfg = cfg;
  weights.maxTokens = maxTokens;
  weights.tokInfo = file->info("embeddings.tok_embeddings.weight");
  if (weights.tokInfo.shape != std::vector<std::int64_t>{cfg.vocab, cfg.hidden}) {
    throw BadEncoderConfig("token table shape");
  }
  std::int64_t hidden = cfg.hidden;
  std::int64_t intermediate = cfg.intermediate;
  weights.embNorm = tensor(*file, "embeddings.norm.weight", hidden);
  weights.finalNorm = tensor(*file, "final_norm.weight", hidden);
  weights.layers.reserve(static_cast<std::size_t>(cfg.layers));
  for (int i = 0; i < cfg.layers; ++i) {
    std::string prefix = "layers." + std::to_string(i) + ".";
    EncoderLayer layer;
    if (i > 0) layer.attnNorm = tensor(*file, prefix + "attn_norm.weight", hidden);
    layer.wqkv = tensor(*file, prefix + "attn.Wqkv.weight", 3 * hidden * hidden);
    layer.wo = tensor(*file, prefix + "attn.Wo.weight", hidden * hidden);
    layer.mlpNorm = tensor(*file, prefix + "mlp_norm.weight", hidden);
    layer.wi = tensor(*file, prefix + "mlp.Wi.weight", 2 * intermediate * hidden);
    layer.mlpWo = tensor(*file, prefix + "mlp.Wo.weight", hidden * intermediate);
    weights.layers.push_back(std::move(layer));
  }
  weights.ropeGlobal = RopeTable::make(cfg.globalTheta, cfg.headSize(), maxTokens);
  weights.ropeLocal = RopeTable::make(cfg.localTheta, cfg.headSize(), maxTokens);
  weights.file = std::move(file);
  return weights;
}

}  // namespace quorvale
