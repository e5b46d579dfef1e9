// The interfaces of every text embedder. `identifier` is stored beside every vector so that
// vectors of different models are never compared; every vector has `dimension` components and
// unit length. The transformer encoder implements both interfaces; passage search, the passage
// pipeline and the semantic store consume them. Implementations say their own thread rules.
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
  virtual std::size_t dimension() const = 0;
  // Nothing when the text yields nothing to embed.
  virtual std::optional<std::vector<float>> embed(std::string_view text) = 0;
};

class BatchEmbedder : public Embedder {
 public:
  // One optional vector per text, in input order.
  virtual std::vector<std::optional<std::vector<float>>> embedBatch(
      const std::vector<std::string>& texts) = 0;
};

}  // namespace quorvale
