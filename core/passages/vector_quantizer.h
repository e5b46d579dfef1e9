// The int8 form of passage vectors, as stored in the passage database's `vec` table:
//   scale  REAL: the largest absolute component divided by 127 (0 for a zero or non-finite
//          vector);
//   v      BLOB: one signed byte per component, in component order, no header; byte i is
//          x[i] / scale rounded half away from zero and clamped to -127...127.
// A component reads back as scale * byte. Pure functions; safe on any thread.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quorvale {

struct QuantizedVector {
  float scale = 0;
  std::vector<int8_t> bytes;
  bool operator==(const QuantizedVector&) const = default;
};

namespace VectorQuantizer {

QuantizedVector quantize(std::span<const float> vector);
std::vector<float> dequantize(const QuantizedVector& vector);

}  // namespace VectorQuantizer
}  // namespace quorvale
