#include "passages/vector_quantizer.h"

#include <algorithm>
#include <cmath>

namespace quorvale::VectorQuantizer {

QuantizedVector quantize(std::span<const float> vector) {
  QuantizedVector out;
  out.bytes.assign(vector.size(), 0);
  float largest = 0;
  for (float x : vector) largest = std::max(largest, std::fabs(x));
  // A NaN component leaves `largest` as it is, so test every component for finiteness.
  bool finite = std::all_of(vector.begin(), vector.end(), [](float x) { return std::isfinite(x); });
  if (!finite || !(largest > 0)) return out;
  out.scale = largest / 127.0f;
  // x / (m / 127) in double precision, so that exact halves such as 0.5 of 1.0 (63.5) round
  // away from zero rather than by float rounding noise.
  const double factor = 127.0 / static_cast<double>(largest);
  for (std::size_t i = 0; i < vector.size(); ++i) {
    double q = std::round(static_cast<double>(vector[i]) * factor);
    out.bytes[i] = static_cast<int8_t>(std::clamp(q, -127.0, 127.0));
  }
  return out;
}

std::vector<float> dequantize(const QuantizedVector& vector) {
  std::vector<float> out(vector.bytes.size());
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = vector.scale * vector.bytes[i];
  return out;
}

}  // namespace quorvale::VectorQuantizer
