#include "models/blas_threads.h"

#include <cblas.h>

#include <mutex>

namespace quorvale {
namespace {

std::mutex scopeLock;
int openScopes = 0;    // guarded by scopeLock
int savedThreads = 1;  // guarded by scopeLock

}  // namespace

SingleThreadedBlas::SingleThreadedBlas() {
  std::lock_guard guard(scopeLock);
  if (openScopes++ == 0) {
    savedThreads = openblas_get_num_threads();
    openblas_set_num_threads(1);
  }
}

SingleThreadedBlas::~SingleThreadedBlas() {
  std::lock_guard guard(scopeLock);
  if (--openScopes == 0) openblas_set_num_threads(savedThreads);
}

}  // namespace quorvale
