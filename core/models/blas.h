// The few OpenBLAS routines the encoder and the dense index use, reached through OpenBLAS opened
// on first use (SharedLibrary) rather than linked: most processes (a `--query`, a scan) never
// multiply a matrix and should not load it and its Fortran runtime at start. Safe on any thread;
// a missing library throws std::runtime_error on the first call.
#pragma once

#include <cblas.h>

namespace quorvale::blas {

struct Routines {
  decltype(&::cblas_sgemm) sgemm = nullptr;
  decltype(&::cblas_sgemv) sgemv = nullptr;
  decltype(&::openblas_get_num_threads) threads = nullptr;
  decltype(&::openblas_set_num_threads) setThreads = nullptr;
};

// Loads the library on the first call.
const Routines& routines();

// Row-major or column-major C = alpha · op(A) · op(B) + beta · C, as cblas_sgemm.
inline void sgemm(CBLAS_ORDER order, CBLAS_TRANSPOSE transA, CBLAS_TRANSPOSE transB, blasint m,
                  blasint n, blasint k, float alpha, const float* a, blasint lda, const float* b,
                  blasint ldb, float beta, float* c, blasint ldc) {
  routines().sgemm(order, transA, transB, m, n, k, alpha, a, lda, b, ldb, beta, c, ldc);
}
// y = alpha · op(A) · x + beta · y, as cblas_sgemv.
inline void sgemv(CBLAS_ORDER order, CBLAS_TRANSPOSE trans, blasint m, blasint n, float alpha,
                  const float* a, blasint lda, const float* x, blasint incx, float beta, float* y,
                  blasint incy) {
  routines().sgemv(order, trans, m, n, alpha, a, lda, x, incx, beta, y, incy);
}
inline int threads() {
  return routines().threads();
}
inline void setThreads(int count) {
  routines().setThreads(count);
}

}  // namespace quorvale::blas
