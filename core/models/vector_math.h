// The element-wise and row operations of the encoder's forward pass, written as plain loops that
// the compiler vectorises (with an AVX2 variant chosen at run time on x86-64). Pure functions;
// safe on any thread.
#pragma once

#include <cstddef>

namespace quorvale::vector_math {

// erf(x) within 5e-7 of the true value (a rational approximation on [-4, 4]; erf is ±1 within
// float precision beyond).
float erfApprox(float x);
// e^x within 1e-7 relative error for x in [-87, 88].
float expApprox(float x);

// row ← (row − mean) / sqrt(mean of squared deviations + eps) × weight, for `rows` rows of
// `width` floats; `out` may equal `in`.
void layerNorm(const float* in, float* out, std::size_t rows, std::size_t width,
               const float* weight, float eps);

// out[j] = GELU(u[j]) × u[width + j] with the exact GELU 0.5·z·(1 + erf(z/√2)), for each row of
// u (2·width floats) and out (width floats).
void gatedGelu(const float* u, float* out, std::size_t rows, std::size_t width);

// values[first .. last) ← softmax of themselves; the entries outside that range become 0.
void softmaxBand(float* values, std::size_t count, std::size_t first, std::size_t last);

// vector ← vector / max(|vector|, 1e-12).
void normalize(float* vector, std::size_t count);

}  // namespace quorvale::vector_math
