#include "scan_schedule.h"

#include <utility>
#include <variant>
#include <vector>

#include "scan/energy_policy.h"

namespace quorvale {

ScanSchedule::ScanSchedule(Executor& queue, Run run) : queue_(queue), run_(std::move(run)) {}

void ScanSchedule::request(const QuorvaleSettings& settings) {
  std::lock_guard lock(mutex_);
  lastRequested_ = settings;
  if (queued_) {
    pending_ = settings;
    if (running_) cancelled_ = true;
    return;
  }
  queued_ = true;
  post(settings);
}

QuorvaleSettings ScanSchedule::begin(QuorvaleSettings settings) {
  std::lock_guard lock(mutex_);
  if (pending_) {
    settings = std::move(*pending_);
    pending_.reset();
  }
  running_ = true;
  cancelled_ = false;
  return settings;
}

void ScanSchedule::finish(bool closing) {
  std::lock_guard lock(mutex_);
  running_ = false;
  std::optional<QuorvaleSettings> next = std::move(pending_);
  pending_.reset();
  queued_ = next.has_value() && !closing;
  if (queued_) post(std::move(*next));
}

void ScanSchedule::retryLater(const QuorvaleSettings& settings, Clock::Duration delay) {
  energyRetry_.cancel();
  energyRetry_ = queue_.postDelayed(delay, [this, settings] { request(settings); });
}

bool ScanSchedule::pending() const {
  std::lock_guard lock(mutex_);
  return queued_;
}

std::optional<QuorvaleSettings> ScanSchedule::lastRequested() const {
  std::lock_guard lock(mutex_);
  return lastRequested_;
}

ScanSchedule::Plan ScanSchedule::planFor(const EnergyState& energy, ScanConfig config) {
  EnergyPolicy::Verdict verdict = EnergyPolicy::verdict(energy);
  if (auto* pause = std::get_if<EnergyPolicy::Pause>(&verdict)) {
    return {.config = std::nullopt, .message = std::move(pause->message), .retry = true};
  }
  if (auto* appsOnly = std::get_if<EnergyPolicy::AppsOnly>(&verdict)) {
    std::vector<std::string> appRoots;
    for (const auto& root : config.roots) {
      if (config.appOnlyRoots.contains(root)) appRoots.push_back(root);
    }
    config.roots = std::move(appRoots);
    return {.config = std::move(config), .message = std::move(appsOnly->message), .retry = true};
  }
  return {.config = std::move(config), .message = std::nullopt, .retry = false};
}

void ScanSchedule::post(QuorvaleSettings settings) {
  queue_.post([this, settings = std::move(settings)] { run_(settings); });
}

}  // namespace quorvale
