// Whether background indexing may run now. `EnergyState` is a snapshot of the power and heat
// situation that the power monitor fills in; `EnergyPolicy::verdict` turns it into run, apps
// only (keep the application list current, let document work wait) or pause, with the status line
// the engine shows. Pure values and functions; safe on any thread.
#pragma once

#include <optional>
#include <string>
#include <variant>

#include "util/platform_profile.h"

namespace quorvale {

struct EnergyState {
  enum class Thermal { nominal = 0, fair = 1, serious = 2, critical = 3 };

  bool onBattery = false;
  int batteryPercent = 100;  // 0-100
  bool lowPowerMode = false;
  Thermal thermal = Thermal::nominal;

  // The state for a platform thermal level; nothing for 4 and above.
  static std::optional<Thermal> thermalFromRaw(int raw);

  bool operator==(const EnergyState&) const = default;
};

namespace EnergyPolicy {

struct Run {
  bool operator==(const Run&) const = default;
};
struct AppsOnly {
  std::string message;
  bool operator==(const AppsOnly&) const = default;
};
struct Pause {
  std::string message;
  bool operator==(const Pause&) const = default;
};
using Verdict = std::variant<AppsOnly, Pause, Run>;

// Heat first, then low power mode, then a battery below 20 percent. The messages name the
// machine in the profile's word.
Verdict verdict(const EnergyState& state, const PlatformProfile& profile = platformProfile());

}  // namespace EnergyPolicy
}  // namespace quorvale
