#include "util/clock.h"

namespace quorvale {
namespace {

class SteadyClock final : public Clock {
 public:
  TimePoint now() const override { return std::chrono::steady_clock::now(); }
  bool isManual() const override { return false; }
  uint64_t subscribe(Listener) override { return 0; }
  void unsubscribe(uint64_t) override {}
};

}  // namespace

std::shared_ptr<Clock> Clock::steady() {
  static const std::shared_ptr<Clock> clock = std::make_shared<SteadyClock>();
  return clock;
}

Clock::TimePoint ManualClock::now() const {
  return TimePoint(Duration(elapsed_.load()));
}

uint64_t ManualClock::subscribe(Listener listener) {
  std::lock_guard lock(listenersMutex_);
  uint64_t id = nextId_++;
  listeners_.emplace(id, std::move(listener));
  return id;
}

void ManualClock::unsubscribe(uint64_t id) {
  std::lock_guard lock(listenersMutex_);
  listeners_.erase(id);
}

void ManualClock::advance(Duration by) {
  if (by > Duration::zero()) elapsed_ += by.count();
  // Listeners run under the lock so that none is called once `unsubscribe` has returned.
  std::lock_guard lock(listenersMutex_);
  for (const auto& [id, listener] : listeners_) listener();
}

}  // namespace quorvale
