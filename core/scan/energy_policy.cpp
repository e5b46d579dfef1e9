#include "scan/energy_policy.h"

namespace quorvale {

std::optional<EnergyState::Thermal> EnergyState::thermalFromRaw(int raw) {
  if (raw < 0 || raw > 3) return std::nullopt;
  return static_cast<Thermal>(raw);
}

namespace EnergyPolicy {

Verdict verdict(const EnergyState& state, const PlatformProfile& profile) {
  std::string machine(profile.machine);
  if (state.thermal == EnergyState::Thermal::serious) {
    return AppsOnly{"Indexing slowed: the " + machine + " is hot."};
  }
  if (state.thermal == EnergyState::Thermal::critical) {
    return Pause{"Indexing paused: the " + machine + " is running very hot."};
  }
  if (state.lowPowerMode) {
    return AppsOnly{"Indexing paused to save battery: Low Power Mode is on."};
  }
  if (state.onBattery && state.batteryPercent < 20) {
    return AppsOnly{"Indexing paused to save battery: below 20 percent."};
  }
  return Run{};
}

}  // namespace EnergyPolicy
}  // namespace quorvale
