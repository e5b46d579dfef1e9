#include "support/model_files.h"

#include <bit>
#include <nlohmann/json.hpp>
#include <random>

#include "support/test_support.h"

namespace quorvale::testing {
namespace {

// GPT-2's byte-level symbol of a byte: printable Latin-1 bytes stand for themselves, the others
// for U+0100 onwards in byte order.
std::string byteSymbol(unsigned b) {
  auto printable = [](unsigned c) { return (c >= 33 && c <= 126) || (c >= 161 && c != 173); };
  unsigned symbol = b;
  if (!printable(b)) {
    symbol = 0x100;
    for (unsigned c = 0; c < b; ++c) symbol += printable(c) ? 0 : 1;
  }
  std::string out;
  if (symbol < 0x80) return out + static_cast<char>(symbol);
  out += static_cast<char>(0xC0 | (symbol >> 6));
  return out + static_cast<char>(0x80 | (symbol & 0x3F));
}

}  // namespace

std::string encodeFloats(const std::vector<float>& values, const std::string& dtype) {
  std::string bytes;
  for (float value : values) {
    std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
    if (dtype == "F32") {
      for (int i = 0; i < 4; ++i) bytes += static_cast<char>((bits >> (8 * i)) & 0xFF);
      continue;
    }
    std::uint16_t half = dtype == "F16" ? std::bit_cast<std::uint16_t>(static_cast<_Float16>(value))
                                        : static_cast<std::uint16_t>(bits >> 16);
    bytes += static_cast<char>(half & 0xFF);
    bytes += static_cast<char>(half >> 8);
  }
  return bytes;
}

std::string safetensorsBytes(const std::vector<TensorSpec>& tensors,
                             const std::string& metadataJson) {
  nlohmann::ordered_json header = nlohmann::ordered_json::object();
  if (!metadataJson.empty()) header["__metadata__"] = nlohmann::ordered_json::parse(metadataJson);
  std::string data;
  for (const auto& tensor : tensors) {
    header[tensor.name] = {{"dtype", tensor.dtype},
                           {"shape", tensor.shape},
                           {"data_offsets", {data.size(), data.size() + tensor.bytes.size()}}};
    data += tensor.bytes;
  }
  std::string text = header.dump();
  std::string file;
  std::uint64_t length = text.size();
  for (int i = 0; i < 8; ++i) file += static_cast<char>((length >> (8 * i)) & 0xFF);
  return file + text + data;
}

void writeByteTokenizer(const std::string& path) {
  nlohmann::ordered_json vocab = nlohmann::ordered_json::object();
  for (unsigned b = 0; b < 256; ++b) vocab[byteSymbol(b)] = b;
  nlohmann::ordered_json merges = nlohmann::ordered_json::array();
  int next = 258;
  for (std::string pair : {"th", "he", "in", "er", "an", "re", "on", "en"}) {
    vocab[pair] = next++;
    merges.push_back(std::string(1, pair[0]) + " " + pair[1]);
  }
  nlohmann::ordered_json file = {
      {"added_tokens",
       {{{"id", 256}, {"content", "[CLS]"}, {"lstrip", false}},
        {{"id", 257}, {"content", "[SEP]"}, {"lstrip", false}}}},
      {"model", {{"type", "BPE"}, {"vocab", vocab}, {"merges", merges}}}};
  writeFile(path, file.dump());
}

void writeRandomModel(const std::string& directory, const RandomModelOptions& options) {
  std::mt19937_64 random(options.seed);
  std::uniform_real_distribution<float> weight(-0.4f, 0.4f);
  std::uniform_real_distribution<float> norm(0.5f, 1.5f);
  std::vector<TensorSpec> tensors;
  auto add = [&](const std::string& name, std::vector<std::int64_t> shape, bool isNorm) {
    std::int64_t count = 1;
    for (auto d : shape) count *= d;
    std::vector<float> values(static_cast<std::size_t>(count));
    for (auto& v : values) v = isNorm ? norm(random) : weight(random);
    tensors.push_back({name, options.dtype, shape, encodeFloats(values, options.dtype)});
  };
  std::int64_t h = options.hidden;
  std::int64_t m = options.intermediate;
  add("embeddings.tok_embeddings.weight", {options.vocab, h}, false);
  add("embeddings.norm.weight", {h}, true);
  add("final_norm.weight", {h}, true);
  for (int i = 0; i < options.layers; ++i) {
    std::string prefix = "layers." + std::to_string(i) + ".";
    if (i > 0) add(prefix + "attn_norm.weight", {h}, true);
    add(prefix + "attn.Wqkv.weight", {3 * h, h}, false);
    add(prefix + "attn.Wo.weight", {h, h}, false);
    add(prefix + "mlp_norm.weight", {h}, true);
    add(prefix + "mlp.Wi.weight", {2 * m, h}, false);
    add(prefix + "mlp.Wo.weight", {h, m}, false);
  }
  writeFile(directory + "/model.safetensors", safetensorsBytes(tensors));
  nlohmann::json config = {{"num_hidden_layers", options.layers},
                           {"hidden_size", options.hidden},
                           {"num_attention_heads", options.heads},
                           {"intermediate_size", options.intermediate},
                           {"vocab_size", options.vocab},
                           {"local_attention", options.localWindow},
                           {"global_attn_every_n_layers", options.globalEvery},
                           {"hidden_activation", "gelu"},
                           {"norm_bias", false}};
  writeFile(directory + "/config.json", config.dump());
  writeByteTokenizer(directory + "/tokenizer.json");
}

}  // namespace quorvale::testing
