// The energy state of a Linux machine, read from sysfs on every call (a few small files, no
// caching, so a plugged cable or a cooled machine shows at the next check). Safe on any thread;
// the engine calls it from its index and passage queues. The sysfs root is a parameter so that
// tests can build a fake tree.
//
// - Power: on battery when a system battery (`class/power_supply/*` of type "Battery") reports
//   status "Discharging" and no other system supply (mains, USB, wireless) reports online = 1.
//   Supplies whose scope is "Device" (a mouse's or a headset's battery) do not count. The
//   percent is the mean `capacity` of the system batteries.
// - Low power mode: `firmware/acpi/platform_profile` reads "low-power", the one profile the
//   kernel defines as low power consumption ("quiet" and "cool" speak of noise and heat).
// - Heat: each enabled `class/thermal/thermal_zone*` compares its `temp` with its trip points
//   (millidegrees Celsius): at or above a "critical" trip is critical, at or above a "passive"
//   or "hot" trip serious, within 10 °C below the lowest of those trips fair. "active" trips
//   (fans) and trips at or below 0 °C (unset placeholders) are ignored; the hottest zone wins.
// Missing or unreadable files mean mains power, 100 percent, no low power mode, nominal heat.
#pragma once

#include <string>

#include "platform/energy_monitor.h"

namespace quorvale {

class SysfsEnergyMonitor final : public EnergyMonitor {
 public:
  explicit SysfsEnergyMonitor(std::string sysfsRoot = "/sys");

  EnergyState current() const override;

 private:
  std::string root_;
};

}  // namespace quorvale
