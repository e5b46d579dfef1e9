// Keeps OpenBLAS to one thread while a parallel loop of our own runs matrix products on every
// core; its own threads would only compete with ours. Nested and concurrent scopes are counted:
// the library's thread count is restored when the last scope ends. Safe on any thread.
#pragma once

namespace quorvale {

class SingleThreadedBlas {
 public:
  SingleThreadedBlas();
  ~SingleThreadedBlas();
  SingleThreadedBlas(const SingleThreadedBlas&) = delete;
  SingleThreadedBlas& operator=(const SingleThreadedBlas&) = delete;
};

}  // namespace quorvale
