// A small deterministic text encoder for tests: each lower-case word adds 1 to one of 16
// components (chosen by a hash of the word), and the sum is made unit length, so texts that
// share words are near each other. A text holding the word "unembeddable", or no word at all,
// gives nothing. Counts its calls; safe on any thread.
#pragma once

#include <atomic>
#include <cctype>
#include <cmath>
#include <functional>
#include <sstream>
#include <string>

#include "models/embedder.h"

namespace quorvale::testing {

class FakeEmbedder final : public BatchEmbedder {
 public:
  static constexpr std::size_t kDimension = 16;

  explicit FakeEmbedder(std::string identifier = "fake-encoder-1")
      : identifier_(std::move(identifier)) {}

  std::string identifier() const override { return identifier_; }
  std::size_t dimension() const override { return kDimension; }

  std::optional<std::vector<float>> embed(std::string_view text) const override {
    ++calls;
    std::string lowered;
    for (char c : text) {
      auto byte = static_cast<unsigned char>(c);
      lowered += std::isalnum(byte) ? static_cast<char>(std::tolower(byte)) : ' ';
    }
    std::vector<float> vector(kDimension, 0.0f);
    std::istringstream words(lowered);
    for (std::string word; words >> word;) {
      if (word == "unembeddable") return std::nullopt;
      vector[std::hash<std::string>{}(word) % kDimension] += 1.0f;
    }
    float norm = 0;
    for (float value : vector) norm += value * value;
    if (norm == 0) return std::nullopt;
    for (float& value : vector) value /= std::sqrt(norm);
    return vector;
  }

  std::vector<std::optional<std::vector<float>>> embedBatch(
      const std::vector<std::string>& texts) const override {
    std::vector<std::optional<std::vector<float>>> result;
    for (const auto& text : texts) result.push_back(embed(text));
    return result;
  }

  mutable std::atomic<int> calls = 0;

 private:
  std::string identifier_;
};

}  // namespace quorvale::testing
