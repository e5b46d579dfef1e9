// Time as the executors see it. Work is due at a point of a `Clock`: the steady clock in the
// program, a `ManualClock` in tests, which moves only when a test advances it, so that a
// ten-minute retry can be checked without waiting ten minutes. Every member is safe on any thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace quorvale {

class Clock {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  using Duration = std::chrono::steady_clock::duration;
  using Listener = std::function<void()>;

  virtual ~Clock() = default;

  virtual TimePoint now() const = 0;
  // Whether time passes only when someone moves the clock. Executors then sleep until they are
  // told that it moved, instead of on a timer.
  virtual bool isManual() const = 0;
  // Calls `listener` after every move of a manual clock, on the thread that moved it, until
  // `unsubscribe` with the returned id has returned. Real clocks never call it.
  virtual uint64_t subscribe(Listener listener) = 0;
  virtual void unsubscribe(uint64_t id) = 0;

  // The process-wide steady clock.
  static std::shared_ptr<Clock> steady();
};

class ManualClock final : public Clock {
 public:
  TimePoint now() const override;
  bool isManual() const override { return true; }
  uint64_t subscribe(Listener listener) override;
  void unsubscribe(uint64_t id) override;

  // Moves the clock forward (never back) and wakes whoever waits on it.
  void advance(Duration by);

 private:
  std::atomic<Duration::rep> elapsed_{0};
  std::mutex listenersMutex_;
  uint64_t nextId_ = 1;                     // guarded by listenersMutex_
  std::map<uint64_t, Listener> listeners_;  // guarded by listenersMutex_
};

}  // namespace quorvale
