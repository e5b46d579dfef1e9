#include "models/blas.h"

#include <stdexcept>

#include "util/shared_library.h"

namespace quorvale::blas {
namespace {

Routines load() {
  static const SharedLibrary library({"libopenblas.so.0", "libopenblas.so"});
  Routines found;
  bool complete = library.resolve(found.sgemm, "cblas_sgemm") &&
                  library.resolve(found.sgemv, "cblas_sgemv") &&
                  library.resolve(found.threads, "openblas_get_num_threads") &&
                  library.resolve(found.setThreads, "openblas_set_num_threads");
  if (!complete) throw std::runtime_error("OpenBLAS (libopenblas.so.0) could not be loaded");
  return found;
}

}  // namespace

const Routines& routines() {
  static const Routines loaded = load();
  return loaded;
}

}  // namespace quorvale::blas
