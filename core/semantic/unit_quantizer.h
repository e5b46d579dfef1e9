// The int8 form of per-file meaning vectors, as stored in the semantic store's `vec` table:
//   v  BLOB: one signed byte per component, in component order, no header and no scale; byte i
//      is x[i] / |x| * 127 rounded half away from zero and clamped to -127...127.
// The vector is made unit length first, so the dot product of two blobs divided by 127² is their
// cosine similarity, with no float conversion at query time. (Passage vectors use another form
// with a per-vector scale: passages/vector_quantizer.h.) Pure functions; safe on any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quorvale::Quantizer {

inline constexpr float kScale = 127;

// Nothing for an empty vector or one whose norm is 0 or not finite.
std::optional<std::vector<int8_t>> quantize(std::span<const float> vector);
// The similarity of two stored vectors: the integer dot product over the shorter length divided
// by 127²; 0 for two empty vectors.
double dot(std::span<const int8_t> a, std::span<const int8_t> b);
// The raw integer dot product of two rows of the same length.
int32_t rawDot(const int8_t* a, const int8_t* b, std::size_t length);

}  // namespace quorvale::Quantizer
