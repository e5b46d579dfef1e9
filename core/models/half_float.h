// Widening of the two 16-bit float formats that model weights are stored in: IEEE 754 half
// precision and bfloat16 (the high half of an IEEE single). Pure functions; safe on any thread.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quorvale::half_float {

// One half-precision value, by hand: subnormals, infinities and NaN keep their meaning.
inline float halfToFloat(std::uint16_t half) {
  std::uint32_t sign = static_cast<std::uint32_t>(half & 0x8000u) << 16;
  std::uint32_t exponent = (half >> 10) & 0x1Fu;
  std::uint32_t mantissa = half & 0x3FFu;
  if (exponent == 31) return std::bit_cast<float>(sign | mantissa << 13 | 0x7F800000u);
  if (exponent == 0) {
    if (mantissa == 0) return std::bit_cast<float>(sign);
    float magnitude = static_cast<float>(mantissa) * 5.9604645e-08f;  // 2^-24
    return sign != 0 ? -magnitude : magnitude;
  }
  // Rebias the exponent from 15 to 127 (112 << 23 == 0x38000000).
  return std::bit_cast<float>(sign + ((exponent << 23) | (mantissa << 13)) + 0x38000000u);
}

inline float bfloat16ToFloat(std::uint16_t value) {
  return std::bit_cast<float>(static_cast<std::uint32_t>(value) << 16);
}

// `count` little-endian 16-bit values from unaligned `source` into `out`. Written as plain
// loops over whole blocks so that the compiler vectorises them.
inline void halvesToFloats(const unsigned char* source, std::size_t count, float* out) {
  for (std::size_t i = 0; i < count; ++i) {
    std::uint16_t bits;
    std::memcpy(&bits, source + 2 * i, 2);
    out[i] = halfToFloat(bits);
  }
}

inline void bfloat16sToFloats(const unsigned char* source, std::size_t count, float* out) {
  for (std::size_t i = 0; i < count; ++i) {
    std::uint16_t bits;
    std::memcpy(&bits, source + 2 * i, 2);
    out[i] = bfloat16ToFloat(bits);
  }
}

}  // namespace quorvale::half_float
