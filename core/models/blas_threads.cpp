#include "models/blas_threads.h"

#include <mutex>

#include "models/blas.h"

namespace quorvale {
namespace {

std::mutex scopeLock;
int openScopes = 0;    // guarded by scopeLock
int savedThreads = 1;  // guarded by scopeLock

}  // namespace

SingleThreadedBlas::SingleThreadedBlas() {
  std::lock_guard guard(scopeLock);
  if (openScopes++ == 0) {
    savedThreads = blas::threads();
    blas::setThreads(1);
  }
}

SingleThreadedBlas::~SingleThreadedBlas() {
  std::lock_guard guard(scopeLock);
  if (--openScopes == 0) blas::setThreads(savedThreads);
}

}  // namespace quorvale
