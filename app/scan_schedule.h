// When the engine's scans run: one at a time, whether one waits or runs, the settings of the
// scan asked for while one runs (the last asked for wins), the last settings asked for, and the
// later try of a scan that the energy state put off. `planFor` turns the energy state into what a
// scan may do.
//
// SearchEngine owns one and runs its scans on the index queue. `request` may be called on any
// thread (the main thread asks for scans, the index queue asks again after changes and energy
// retries); `begin`, `finish` and `retryLater` are called on the index queue by the scan itself.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "scan/energy_policy.h"
#include "scan/scanner.h"
#include "settings/quorvale_settings.h"
#include "util/clock.h"
#include "util/executor.h"

namespace quorvale {

class ScanSchedule {
 public:
  // Runs one scan with the settings, on the queue.
  using Run = std::function<void(QuorvaleSettings settings)>;

  // `queue` must outlive the schedule's use; nothing is posted before `request`.
  ScanSchedule(Executor& queue, Run run);
  ScanSchedule(const ScanSchedule&) = delete;
  ScanSchedule& operator=(const ScanSchedule&) = delete;

  // Asks for a scan with the settings. When one already waits or runs, the settings replace those
  // of the next scan, and a running scan is cancelled to make way.
  void request(const QuorvaleSettings& settings);
  // Called as a scan starts with the settings it was posted with: the settings to scan with (the
  // last asked for before it started, so that two requests scan once). Clears the cancellation.
  QuorvaleSettings begin(QuorvaleSettings settings);
  // Called as a scan ends: a scan asked for meanwhile is posted, unless the engine is closing.
  void finish(bool closing);
  // Asks for the scan again after `delay`, replacing an earlier such retry.
  void retryLater(const QuorvaleSettings& settings, Clock::Duration delay);

  // Stops the running scan at its next entry; any thread.
  void cancel() { cancelled_ = true; }
  // Whether the running scan should stop; any thread.
  bool cancelled() const { return cancelled_; }

  // Whether a scan is running or waiting to run.
  bool pending() const;
  // The settings of the last scan asked for.
  std::optional<QuorvaleSettings> lastRequested() const;

  // What a scan may do under an energy state.
  struct Plan {
    // The scan to run: all of `config`, or only its application folders; none when it is put
    // off (the status then shows `message`).
    std::optional<ScanConfig> config;
    // The pause's status, or what the status line adds after a scan of applications only.
    std::optional<std::string> message;
    // Whether the full scan is asked for again later.
    bool retry = false;

    bool operator==(const Plan&) const = default;
  };
  static Plan planFor(const EnergyState& energy, ScanConfig config);

 private:
  void post(QuorvaleSettings settings);

  Executor& queue_;
  Run run_;
  WorkHandle energyRetry_;  // index queue
  std::atomic<bool> cancelled_ = false;

  mutable std::mutex mutex_;
  bool queued_ = false;                      // guarded by mutex_: a scan is waiting or running
  bool running_ = false;                     // guarded
  std::optional<QuorvaleSettings> pending_;  // guarded: settings of the scan that follows
  std::optional<QuorvaleSettings> lastRequested_;  // guarded
};

}  // namespace quorvale
