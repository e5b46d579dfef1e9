#include "util/phase_times.h"

namespace quorvale::PhaseTimes {
namespace {

thread_local bool on = false;
thread_local std::vector<Total> totals;

}  // namespace

void enable(bool value) {
  on = value;
  totals.clear();
}

bool enabled() {
  return on;
}

std::vector<Total> take() {
  std::vector<Total> out;
  out.swap(totals);
  return out;
}

void add(const char* name, double milliseconds) {
  for (Total& total : totals) {
    if (total.name == name) {
      total.milliseconds += milliseconds;
      ++total.count;
      return;
    }
  }
  totals.push_back({name, milliseconds, 1});
}

}  // namespace quorvale::PhaseTimes
