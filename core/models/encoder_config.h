// The shape of a ModernBERT encoder, read from the model folder's "config.json", and the
// refusal of models this encoder cannot run. Pure functions; safe on any thread.
//
// Keys read (a missing key, or one of the wrong type, keeps its default):
//   num_hidden_layers 12, hidden_size 384, num_attention_heads 12, intermediate_size 1536,
//   vocab_size 50368, local_attention 128, global_attn_every_n_layers 3 (integers);
//   global_rope_theta 80000, local_rope_theta 10000, norm_eps 1e-5 (numbers).
// Refused: "attention_bias", "mlp_bias" or "norm_bias" set to true; a "hidden_activation" other
// than "gelu"; shapes that cannot be run (see `checkShape`).
#pragma once

#include <stdexcept>
#include <string>

namespace quorvale {

// The encoder's load failure for a model it cannot run; the message is shown in status lines.
class BadEncoderConfig : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct EncoderConfig {
  int layers = 12;
  int hidden = 384;
  int heads = 12;
  int intermediate = 1536;
  int vocab = 50368;
  int localWindow = 128;
  int globalEvery = 3;
  float globalTheta = 80000;
  float localTheta = 10000;
  float eps = 1e-5f;

  int headSize() const { return hidden / heads; }
  bool operator==(const EncoderConfig&) const = default;
};

namespace encoder_config {

// Reads "config.json" in the folder; an unreadable or non-object file gives the defaults.
// Throws BadEncoderConfig for a refused model or shape.
EncoderConfig read(const std::string& directory, int maxTokens);
// The same from the file's text.
EncoderConfig parse(const std::string& text, int maxTokens);

}  // namespace encoder_config
}  // namespace quorvale
