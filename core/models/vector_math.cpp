#include "models/vector_math.h"

// The loops below are written for the vectoriser, which -O2 runs only in its cheapest form.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("O3", "no-trapping-math")
#endif

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

// Hot loops get an AVX2 clone picked at load time; the default clone runs everywhere.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_ADDRESS__)
#define QUORVALE_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define QUORVALE_VECTOR_CLONES
#endif

namespace quorvale::vector_math {

float erfApprox(float x) {
  // Odd numerator over even denominator, both in x², fitted on [-4, 4].
  x = x < -4.0f ? -4.0f : x;
  x = x > 4.0f ? 4.0f : x;
  float x2 = x * x;
  float p = -2.72614225801306e-10f;
  p = p * x2 + 2.77068142495902e-08f;
  p = p * x2 - 2.10102402082508e-06f;
  p = p * x2 - 5.69250639462346e-05f;
  p = p * x2 - 7.34990630326855e-04f;
  p = p * x2 - 2.95459980854025e-03f;
  p = p * x2 - 1.60960333262415e-02f;
  float q = -1.45660718464996e-05f;
  q = q * x2 - 2.13374055278905e-04f;
  q = q * x2 - 1.68282697438203e-03f;
  q = q * x2 - 7.37332916720468e-03f;
  q = q * x2 - 1.42647390514189e-02f;
  return x * p / q;
}

float expApprox(float x) {
  // e^x = 2^n · e^r with n = round(x / ln 2) and |r| <= ln 2 / 2; ln 2 split in two parts so
  // that r is exact.
  x = x < -87.0f ? -87.0f : x;
  x = x > 88.0f ? 88.0f : x;
  // Adding and taking away 1.5 · 2^23 rounds to the nearest integer without a library call.
  constexpr float kRound = 12582912.0f;
  float n = (x * 1.44269504088896341f + kRound) - kRound;
  float r = x - n * 0.693359375f + n * 2.12194440e-4f;
  float p = 1.9875691500e-4f;
  p = p * r + 1.3981999507e-3f;
  p = p * r + 8.3334519073e-3f;
  p = p * r + 4.1665795894e-2f;
  p = p * r + 1.6666665459e-1f;
  p = p * r + 5.0000001201e-1f;
  p = p * (r * r) + r + 1.0f;
  std::int32_t bits = (static_cast<std::int32_t>(n) + 127) << 23;
  float scale;
  std::memcpy(&scale, &bits, sizeof scale);
  return p * scale;
}

QUORVALE_VECTOR_CLONES
void layerNorm(const float* in, float* out, std::size_t rows, std::size_t width,
               const float* weight, float eps) {
  for (std::size_t r = 0; r < rows; ++r) {
    const float* row = in + r * width;
    float* target = out + r * width;
    float sum = 0;
    for (std::size_t i = 0; i < width; ++i) sum += row[i];
    float mean = sum / static_cast<float>(width);
    float squares = 0;
    for (std::size_t i = 0; i < width; ++i) {
      float centred = row[i] - mean;
      squares += centred * centred;
    }
    float scale = 1.0f / std::sqrt(squares / static_cast<float>(width) + eps);
    for (std::size_t i = 0; i < width; ++i) target[i] = (row[i] - mean) * scale * weight[i];
  }
}

QUORVALE_VECTOR_CLONES
void gatedGelu(const float* u, float* out, std::size_t rows, std::size_t width) {
  for (std::size_t r = 0; r < rows; ++r) {
    const float* input = u + r * 2 * width;
    const float* gate = input + width;
    float* target = out + r * width;
    for (std::size_t j = 0; j < width; ++j) {
      float z = input[j];
      target[j] = 0.5f * z * (1.0f + erfApprox(z * 0.70710677f)) * gate[j];
    }
  }
}

QUORVALE_VECTOR_CLONES
void softmaxBand(float* values, std::size_t count, std::size_t first, std::size_t last) {
  // Eight running partial results let the reductions vectorise without reordering by the
  // compiler.
  constexpr std::size_t kLanes = 8;
  float* band = values + first;
  std::size_t length = last - first;
  std::size_t whole = length / kLanes * kLanes;
  float lanes[kLanes];
  for (std::size_t l = 0; l < kLanes; ++l) lanes[l] = band[0];
  for (std::size_t i = 0; i < whole; i += kLanes) {
    for (std::size_t l = 0; l < kLanes; ++l) {
      lanes[l] = lanes[l] < band[i + l] ? band[i + l] : lanes[l];
    }
  }
  float largest = band[0];
  for (float lane : lanes) largest = std::max(largest, lane);
  for (std::size_t i = whole; i < length; ++i) largest = std::max(largest, band[i]);

  for (std::size_t i = 0; i < length; ++i) band[i] = expApprox(band[i] - largest);
  for (auto& lane : lanes) lane = 0;
  for (std::size_t i = 0; i < whole; i += kLanes) {
    for (std::size_t l = 0; l < kLanes; ++l) lanes[l] += band[i + l];
  }
  float sum = 0;
  for (float lane : lanes) sum += lane;
  for (std::size_t i = whole; i < length; ++i) sum += band[i];
  float inverse = 1.0f / sum;
  for (std::size_t i = 0; i < length; ++i) band[i] *= inverse;
  std::fill(values, values + first, 0.0f);
  std::fill(values + last, values + count, 0.0f);
}

void normalize(float* vector, std::size_t count) {
  float squares = 0;
  for (std::size_t i = 0; i < count; ++i) squares += vector[i] * vector[i];
  float length = std::max(std::sqrt(squares), 1e-12f);
  for (std::size_t i = 0; i < count; ++i) vector[i] /= length;
}

}  // namespace quorvale::vector_math
