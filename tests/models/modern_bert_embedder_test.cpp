#include "models/modern_bert_embedder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <numeric>

#include "support/model_files.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

using testing::RandomModelOptions;
using testing::TempDir;
using Vector = std::vector<float>;

// The forward pass written as plain loops in double precision, straight from the model's
// definition, to check the BLAS path against.
class ReferenceEncoder {
 public:
  ReferenceEncoder(const std::string& directory, const RandomModelOptions& shape)
      : shape_(shape), file_(directory + "/model.safetensors") {}

  Vector forward(const std::vector<std::int32_t>& ids) const {
    const int n = static_cast<int>(ids.size());
    const int hidden = shape_.hidden;
    const int d = hidden / shape_.heads;
    auto tokens = file_.floats("embeddings.tok_embeddings.weight");
    Matrix x(n, std::vector<double>(hidden));
    for (int t = 0; t < n; ++t) {
      int id = std::clamp(ids[t], 0, shape_.vocab - 1);
      for (int c = 0; c < hidden; ++c) x[t][c] = tokens[id * hidden + c];
    }
    x = norm(x, "embeddings.norm.weight");
    for (int i = 0; i < shape_.layers; ++i) {
      std::string prefix = "layers." + std::to_string(i) + ".";
      bool global = i % shape_.globalEvery == 0;
      Matrix h = i == 0 ? x : norm(x, prefix + "attn_norm.weight");
      Matrix qkv = times(h, prefix + "attn.Wqkv.weight", 3 * hidden);
      rotate(qkv, global ? 80000.0f : 10000.0f, d);
      Matrix context(n, std::vector<double>(hidden, 0.0));
      for (int k = 0; k < shape_.heads; ++k) {
        for (int r = 0; r < n; ++r) {
          int window = shape_.localWindow / 2;
          int first = global ? 0 : std::max(0, r - window);
          int last = global ? n - 1 : std::min(n - 1, r + window);
          std::vector<double> scores(n, 0.0);
          double largest = -1e300;
          for (int c = first; c <= last; ++c) {
            double dot = 0;
            for (int j = 0; j < d; ++j) dot += qkv[r][k * d + j] * qkv[c][hidden + k * d + j];
            scores[c] = dot / std::sqrt(static_cast<double>(d));
            largest = std::max(largest, scores[c]);
          }
          double sum = 0;
          for (int c = first; c <= last; ++c) sum += scores[c] = std::exp(scores[c] - largest);
          for (int c = first; c <= last; ++c) {
            for (int j = 0; j < d; ++j) {
              context[r][k * d + j] += scores[c] / sum * qkv[c][2 * hidden + k * d + j];
            }
          }
        }
      }
      add(x, times(context, prefix + "attn.Wo.weight", hidden));
      Matrix u = times(norm(x, prefix + "mlp_norm.weight"), prefix + "mlp.Wi.weight",
                       2 * shape_.intermediate);
      Matrix a(n, std::vector<double>(shape_.intermediate));
      for (int t = 0; t < n; ++t) {
        for (int j = 0; j < shape_.intermediate; ++j) {
          double z = u[t][j];
          a[t][j] = 0.5 * z * (1 + std::erf(z / std::sqrt(2.0))) * u[t][shape_.intermediate + j];
        }
      }
      add(x, times(a, prefix + "mlp.Wo.weight", hidden));
    }
    Matrix pooled = norm(Matrix{x[0]}, "final_norm.weight");
    double length = 0;
    for (double v : pooled[0]) length += v * v;
    length = std::max(std::sqrt(length), 1e-12);
    Vector result;
    for (double v : pooled[0]) result.push_back(static_cast<float>(v / length));
    return result;
  }

 private:
  using Matrix = std::vector<std::vector<double>>;

  Matrix norm(const Matrix& x, const std::string& weightName) const {
    auto weight = file_.floats(weightName);
    Matrix out = x;
    for (auto& row : out) {
      double mean = 0, variance = 0;
      for (double v : row) mean += v;
      mean /= static_cast<double>(row.size());
      for (double v : row) variance += (v - mean) * (v - mean);
      variance /= static_cast<double>(row.size());
      for (std::size_t c = 0; c < row.size(); ++c) {
        row[c] = (row[c] - mean) / std::sqrt(variance + 1e-5) * weight[c];
      }
    }
    return out;
  }

  // x · Wᵀ for W of `outputs` rows.
  Matrix times(const Matrix& x, const std::string& weightName, int outputs) const {
    auto w = file_.floats(weightName);
    std::size_t inputs = x[0].size();
    Matrix out(x.size(), std::vector<double>(static_cast<std::size_t>(outputs), 0.0));
    for (std::size_t t = 0; t < x.size(); ++t) {
      for (std::size_t o = 0; o < static_cast<std::size_t>(outputs); ++o) {
        for (std::size_t c = 0; c < inputs; ++c) out[t][o] += x[t][c] * w[o * inputs + c];
      }
    }
    return out;
  }

  static void add(Matrix& x, const Matrix& y) {
    for (std::size_t t = 0; t < x.size(); ++t) {
      for (std::size_t c = 0; c < x[t].size(); ++c) x[t][c] += y[t][c];
    }
  }

  void rotate(Matrix& qkv, float theta, int d) const {
    const int hidden = shape_.hidden;
    for (std::size_t t = 0; t < qkv.size(); ++t) {
      for (int part = 0; part < 2; ++part) {
        for (int k = 0; k < shape_.heads; ++k) {
          for (int j = 0; j < d / 2; ++j) {
            float angle = static_cast<float>(t) /
                          std::pow(theta, static_cast<float>(2 * j) / static_cast<float>(d));
            double c = std::cos(angle), s = std::sin(angle);
            double& a = qkv[t][part * hidden + k * d + j];
            double& b = qkv[t][part * hidden + k * d + j + d / 2];
            double a0 = a, b0 = b;
            a = c * a0 - s * b0;
            b = c * b0 + s * a0;
          }
        }
      }
    }
  }

  RandomModelOptions shape_;
  SafeTensors file_;
};

// Four layers (global, local, local, global) with a window of ±2, so that banding matters.
RandomModelOptions smallModel(const std::string& dtype) {
  return {.layers = 4, .localWindow = 4, .globalEvery = 3, .dtype = dtype, .seed = 11};
}

TEST(ModernBertEmbedderTest, MatchesThePlainReferenceInEveryElementType) {
  for (std::string dtype : {"F32", "F16", "BF16"}) {
    TempDir dir;
    auto shape = smallModel(dtype);
    testing::writeRandomModel(dir.path(), shape);
    ModernBertEmbedder encoder(dir.path(), 16);
    ReferenceEncoder reference(dir.path(), shape);
    const std::vector<std::vector<std::int32_t>> inputs = {
        {256, 257},
        {256, 104, 101, 108, 108, 111, 257},
        {256, 5, 299, 300, 70000, -4, 17, 18, 19, 20, 21, 22, 23, 24, 25, 257},
    };
    for (const auto& ids : inputs) {
      EXPECT_THAT(encoder.forward(ids),
                  ::testing::Pointwise(::testing::FloatNear(1e-5f), reference.forward(ids)))
          << dtype << " with " << ids.size() << " tokens";
    }
  }
}

TEST(ModernBertEmbedderTest, EmbedsTextsAloneAndInBatches) {
  TempDir dir;
  testing::writeRandomModel(dir.path(), smallModel("BF16"));
  ModernBertEmbedder encoder(dir.path(), 16);
  EXPECT_FALSE(encoder.embed(" \n\t ").has_value());
  std::vector<std::string> texts = {
      "the weather", "  ", "a much longer text that is cut", "", "short", "then another one"};
  auto batch = encoder.embedBatch(texts);
  ASSERT_EQ(batch.size(), texts.size());
  for (std::size_t i = 0; i < texts.size(); ++i) {
    auto alone = encoder.embed(texts[i]);
    ASSERT_EQ(batch[i].has_value(), alone.has_value()) << texts[i];
    if (!alone) continue;
    EXPECT_EQ(*batch[i], *alone) << texts[i];
    EXPECT_NEAR(std::inner_product(alone->begin(), alone->end(), alone->begin(), 0.0), 1.0, 1e-5);
  }
  // Texts are cut at the encoder's length (16 tokens with the frame).
  std::string longText(40, 'x');
  EXPECT_EQ(encoder.embed(longText),
            std::optional(encoder.forward(encoder.tokenizer().encode(longText, 16))));
}

// The text of the failure `run` throws, or "no failure".
template <typename Failure>
std::string failureText(const std::function<void()>& run) {
  try {
    run();
  } catch (const Failure& failure) {
    return failure.what();
  }
  return "no failure";
}

TEST(ModernBertEmbedderTest, RefusesModelsItCannotRun) {
  const std::vector<std::pair<std::string, std::string>> refusals = {
      {R"({"norm_bias": true})", "biases are not supported"},
      {R"({"hidden_activation": "silu"})", "activation silu"},
      {R"({"num_attention_heads": 0})", "shape"},
      {R"({"hidden_size": 36, "num_attention_heads": 4})", "shape"},
      {R"({"hidden_size": -384, "num_attention_heads": -12})", "shape"},
      {R"({"global_attn_every_n_layers": 0})", "shape"},
      {R"({"hidden_size": 99999999999})", "shape"},
  };
  for (const auto& [config, message] : refusals) {
    EXPECT_EQ(failureText<BadEncoderConfig>([&] { encoder_config::parse(config, 256); }), message)
        << config;
  }
  EXPECT_THROW(encoder_config::parse("{}", 2), BadEncoderConfig);
  EXPECT_EQ(encoder_config::parse("", 256), EncoderConfig{});
  // Values of the wrong type keep their defaults.
  EXPECT_EQ(encoder_config::parse(
                R"({"hidden_size": "384", "num_hidden_layers": 6.5, "norm_eps": "x",
                    "norm_bias": "yes", "hidden_activation": 7, "local_rope_theta": 5000})",
                256),
            EncoderConfig{.localTheta = 5000});
}

TEST(ModernBertEmbedderTest, RefusesWeightsThatDoNotFitTheConfiguration) {
  TempDir dir;
  testing::writeRandomModel(dir.path(), smallModel("F32"));
  auto load = [&] { ModernBertEmbedder(dir.path(), 16); };
  auto configure = [&](int hidden, int intermediate, int layers) {
    testing::writeFile(
        dir / "config.json",
        "{\"hidden_size\": " + std::to_string(hidden) +
            ", \"num_attention_heads\": 2, \"intermediate_size\": " + std::to_string(intermediate) +
            ", \"vocab_size\": 300, " + "\"num_hidden_layers\": " + std::to_string(layers) + "}");
  };
  std::filesystem::remove(dir / "config.json");  // the defaults call for a 50368 × 384 table
  EXPECT_EQ(failureText<BadEncoderConfig>(load), "token table shape");
  configure(16, 32, 4);  // a layer matrix of another size than the configuration's
  EXPECT_EQ(failureText<BadEncoderConfig>(load), "shape");
  configure(16, 24, 5);
  EXPECT_EQ(failureText<SafeTensors::Failure>(load), "missing tensor layers.4.attn_norm.weight");
}

}  // namespace
}  // namespace quorvale
