#include "semantic/unit_quantizer.h"

#include <algorithm>
#include <cmath>

namespace quorvale::Quantizer {

std::optional<std::vector<int8_t>> quantize(std::span<const float> vector) {
  if (vector.empty()) return std::nullopt;
  double squares = 0;
  for (float value : vector) squares += static_cast<double>(value) * value;
  double norm = std::sqrt(squares);
  if (!(norm > 0) || !std::isfinite(norm)) return std::nullopt;
  std::vector<int8_t> bytes(vector.size());
  for (std::size_t i = 0; i < vector.size(); ++i) {
    double scaled = std::round(static_cast<double>(vector[i]) / norm * kScale);
    bytes[i] = static_cast<int8_t>(std::clamp(scaled, -127.0, 127.0));
  }
  return bytes;
}

int32_t rawDot(const int8_t* a, const int8_t* b, std::size_t length) {
  int32_t sum = 0;
  for (std::size_t i = 0; i < length; ++i) sum += int32_t{a[i]} * int32_t{b[i]};
  return sum;
}

double dot(std::span<const int8_t> a, std::span<const int8_t> b) {
  std::size_t length = std::min(a.size(), b.size());
  return static_cast<double>(rawDot(a.data(), b.data(), length)) / (kScale * kScale);
}

}  // namespace quorvale::Quantizer
