// The interfaces of every text embedder: a text becomes a unit-length vector of 32-bit floats.
// `identifier` is stored beside every vector so that vectors of different models are never
// compared. Implementations say in their own header from which threads they may be called.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvale {

class Embedder {
 public:
  virtual ~Embedder() = default;
  virtual std::string identifier() const = 0;
  // The length of every vector.
  virtual std::size_t dimension() const = 0;
  // Nothing when the text yields nothing to embed.
  virtual std::optional<std::vector<float>> embed(std::string_view text) const = 0;
};

class BatchEmbedder : public Embedder {
 public:
  // One optional vector per text, in input order.
  virtual std::vector<std::optional<std::vector<float>>> embedBatch(
      const std::vector<std::string>& texts) const = 0;
};

}  // namespace quorvale
