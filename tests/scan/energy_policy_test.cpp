#include "scan/energy_policy.h"

#include <gtest/gtest.h>

namespace quorvale {
namespace {

using EnergyPolicy::AppsOnly;
using EnergyPolicy::Pause;

using Thermal = EnergyState::Thermal;

TEST(EnergyPolicyTest, VerdictsInOrderOfPrecedence) {
  const std::pair<EnergyState, EnergyPolicy::Verdict> cases[] = {
      {{.onBattery = true, .batteryPercent = 19},
       AppsOnly{"Indexing paused to save battery: below 20 percent."}},
      {{.onBattery = true, .batteryPercent = 20}, EnergyPolicy::Run{}},
      {{.onBattery = false, .batteryPercent = 5}, EnergyPolicy::Run{}},
      {{.lowPowerMode = true}, AppsOnly{"Indexing paused to save battery: Low Power Mode is on."}},
      {{.lowPowerMode = true, .thermal = Thermal::serious},
       AppsOnly{"Indexing slowed: the computer is hot."}},
      {{.onBattery = true, .batteryPercent = 3, .thermal = Thermal::critical},
       Pause{"Indexing paused: the computer is running very hot."}},
      {{.thermal = Thermal::fair}, EnergyPolicy::Run{}},
  };
  for (const auto& [state, verdict] : cases) EXPECT_EQ(EnergyPolicy::verdict(state), verdict);
}

TEST(EnergyPolicyTest, ThermalLevelsBeyondCriticalAreNoState) {
  EXPECT_EQ(EnergyState::thermalFromRaw(3), Thermal::critical);
  EXPECT_EQ(EnergyState::thermalFromRaw(4), std::nullopt);
  EXPECT_EQ(EnergyState::thermalFromRaw(-1), std::nullopt);
}

}  // namespace
}  // namespace quorvale
