#include "models/encoder_config.h"

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>

#include "util/whole_file.h"

namespace quorvale::encoder_config {
namespace {

using Json = nlohmann::json;

// Sizes beyond this are refused rather than attempted (a 2^20-wide layer is no text encoder).
constexpr std::int64_t kLargestSize = 1 << 20;

void readInteger(const Json& json, const char* key, int& field) {
  auto found = json.find(key);
  if (found == json.end() || !found->is_number_integer()) return;
  if (found->is_number_unsigned()) {
    auto value = found->get<std::uint64_t>();
    field = value > static_cast<std::uint64_t>(std::numeric_limits<int>::max())
                ? std::numeric_limits<int>::max()
                : static_cast<int>(value);
    return;
  }
  auto value = found->get<std::int64_t>();
  if (value < std::numeric_limits<int>::min()) value = std::numeric_limits<int>::min();
  if (value > std::numeric_limits<int>::max()) value = std::numeric_limits<int>::max();
  field = static_cast<int>(value);
}

void readFloat(const Json& json, const char* key, float& field) {
  auto found = json.find(key);
  if (found == json.end() || !found->is_number()) return;
  field = static_cast<float>(found->get<double>());
}

bool isTrue(const Json& json, const char* key) {
  auto found = json.find(key);
  return found != json.end() && found->is_boolean() && found->get<bool>();
}

bool inRange(std::int64_t value, std::int64_t low) {
  return value >= low && value <= kLargestSize;
}

// Besides the head shape, sizes must be positive (a zero or negative width, or a global layer
// every 0 layers, would divide by zero or index out of bounds) and bounded.
void checkShape(const EncoderConfig& config, int maxTokens) {
  bool sound = config.heads > 0 && inRange(config.hidden, 1) && inRange(config.heads, 1) &&
               config.hidden % config.heads == 0 && config.headSize() % 2 == 0 && maxTokens >= 3 &&
               inRange(maxTokens, 3) && inRange(config.layers, 0) &&
               inRange(config.intermediate, 1) && config.vocab > 0 &&
               inRange(config.localWindow, 0) && inRange(config.globalEvery, 1) &&
               std::isfinite(config.globalTheta) && config.globalTheta > 0 &&
               std::isfinite(config.localTheta) && config.localTheta > 0 &&
               std::isfinite(config.eps) && config.eps >= 0;
  if (!sound) throw BadEncoderConfig("shape");
}

}  // namespace

EncoderConfig parse(const std::string& text, int maxTokens) {
  EncoderConfig config;
  auto json = Json::parse(text, nullptr, false);
  if (!json.is_discarded() && json.is_object()) {
    readInteger(json, "num_hidden_layers", config.layers);
    readInteger(json, "hidden_size", config.hidden);
    readInteger(json, "num_attention_heads", config.heads);
    readInteger(json, "intermediate_size", config.intermediate);
    readInteger(json, "vocab_size", config.vocab);
    readInteger(json, "local_attention", config.localWindow);
    readInteger(json, "global_attn_every_n_layers", config.globalEvery);
    readFloat(json, "global_rope_theta", config.globalTheta);
    readFloat(json, "local_rope_theta", config.localTheta);
    readFloat(json, "norm_eps", config.eps);
    if (isTrue(json, "attention_bias") || isTrue(json, "mlp_bias") || isTrue(json, "norm_bias")) {
      throw BadEncoderConfig("biases are not supported");
    }
    auto activation = json.find("hidden_activation");
    if (activation != json.end() && activation->is_string() &&
        activation->get<std::string>() != "gelu") {
      throw BadEncoderConfig("activation " + activation->get<std::string>());
    }
  }
  checkShape(config, maxTokens);
  return config;
}

EncoderConfig read(const std::string& directory, int maxTokens) {
  std::optional<std::string> text;
  try {
    text = readWholeFile(directory + "/config.json");
  } catch (const std::exception&) {
    text.reset();
  }
  return parse(text.value_or(std::string()), maxTokens);
}

}  // namespace quorvale::encoder_config
