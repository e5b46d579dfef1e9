// Optional timing of the named phases of a piece of work (the file search's statement, ranking,
// loosening steps), so that a benchmark can say where the time goes. Off unless the calling
// thread turns it on; while off a phase costs one test of a thread-local flag. Times are wall
// clock and inclusive: a phase inside another counts in both. Per thread, no locking.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace quorvale::PhaseTimes {

struct Total {
  std::string name;
  double milliseconds = 0;
  int count = 0;
};

// Turns timing on or off for this thread; turning it on drops what was gathered.
void enable(bool on);
bool enabled();
// The totals gathered on this thread since the last call, in the order the phases first ran.
std::vector<Total> take();
void add(const char* name, double milliseconds);

// Times its own lifetime under `name` (a string literal) when timing is on.
class Scope {
 public:
  explicit Scope(const char* name) : name_(enabled() ? name : nullptr) {
    if (name_ != nullptr) start_ = std::chrono::steady_clock::now();
  }
  ~Scope() {
    if (name_ != nullptr) {
      add(name_,
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_)
              .count());
    }
  }
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;

 private:
  const char* name_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace quorvale::PhaseTimes
