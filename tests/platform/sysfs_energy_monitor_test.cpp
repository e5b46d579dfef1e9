#include "sysfs_energy_monitor.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "support/test_support.h"

namespace quorvale {
namespace {

using testing::TempDir;
using testing::writeFile;
using Thermal = EnergyState::Thermal;
using Files = std::map<std::string, std::string>;  // sysfs-relative path -> contents

struct Case {
  const char* name;
  Files files;
  EnergyState expected;
};

EnergyState readTree(const Files& files) {
  TempDir sysfs;
  testing::makeDirs(sysfs.path());
  for (const auto& [path, contents] : files) writeFile(sysfs / path, contents + "\n");
  return SysfsEnergyMonitor(sysfs.path()).current();
}

Files battery(const std::string& name, const std::string& status, const std::string& capacity) {
  std::string base = "class/power_supply/" + name + "/";
  return {{base + "type", "Battery"}, {base + "status", status}, {base + "capacity", capacity}};
}

Files mains(const std::string& online) {
  return {{"class/power_supply/AC/type", "Mains"}, {"class/power_supply/AC/online", online}};
}

Files merged(std::initializer_list<Files> parts) {
  Files all;
  for (const Files& part : parts) all.insert(part.begin(), part.end());
  return all;
}

Files zone(int index, const std::string& temp,
           std::initializer_list<std::pair<const char*, const char*>> trips) {
  std::string base = "class/thermal/thermal_zone" + std::to_string(index) + "/";
  Files files = {{base + "temp", temp}};
  int trip = 0;
  for (const auto& [type, tripTemp] : trips) {
    files[base + "trip_point_" + std::to_string(trip) + "_type"] = type;
    files[base + "trip_point_" + std::to_string(trip) + "_temp"] = tripTemp;
    ++trip;
  }
  return files;
}

const EnergyState kDefault{};

TEST(SysfsEnergyMonitor, PowerSuppliesProfileAndHeat) {
  const Case cases[] = {
      {"nothing readable", {}, kDefault},
      {"laptop on battery", merged({battery("BAT0", "Discharging", "57"), mains("0")}),
       EnergyState{.onBattery = true, .batteryPercent = 57}},
      {"discharging while a charger is online",
       merged({battery("BAT0", "Discharging", "80"), mains("1")}),
       EnergyState{.onBattery = false, .batteryPercent = 80}},
      {"USB-C charger online",
       merged({battery("BAT0", "Discharging", "80"),
               {{"class/power_supply/ucsi/type", "USB"}, {"class/power_supply/ucsi/online", "1"}}}),
       EnergyState{.onBattery = false, .batteryPercent = 80}},
      {"two batteries average",
       merged({battery("BAT0", "Discharging", "10"), battery("BAT1", "Discharging", "31")}),
       EnergyState{.onBattery = true, .batteryPercent = 20}},
      {"a mouse battery does not count",
       merged({battery("hidpp_battery_0", "Discharging", "5"),
               {{"class/power_supply/hidpp_battery_0/scope", "Device"}},
               mains("1")}),
       kDefault},
      {"unreadable capacity", battery("BAT0", "Discharging", "unknown"),
       EnergyState{.onBattery = true, .batteryPercent = 100}},
      {"low-power platform profile",
       {{"firmware/acpi/platform_profile", "low-power"}},
       {.lowPowerMode = true}},
      {"balanced platform profile", {{"firmware/acpi/platform_profile", "balanced"}}, kDefault},
      // Thermal zones.
      {"no trip points", zone(0, "95000", {}), kDefault},
      {"within ten degrees of passive",
       zone(0, "80000", {{"passive", "90000"}, {"critical", "105000"}}),
       EnergyState{.thermal = Thermal::fair}},
      {"at passive", zone(0, "90000", {{"passive", "90000"}, {"critical", "105000"}}),
       EnergyState{.thermal = Thermal::serious}},
      {"at critical", zone(0, "105000", {{"passive", "90000"}, {"critical", "105000"}}),
       EnergyState{.thermal = Thermal::critical}},
      {"active trips are fans", zone(0, "70000", {{"active", "60000"}}), kDefault},
      {"placeholder trips", zone(0, "30000", {{"critical", "0"}, {"passive", "-273200"}}),
       kDefault},
      {"unreadable temperature", zone(0, "error", {{"critical", "1000"}}), kDefault},
      {"disabled zone",
       merged({zone(0, "120000", {{"critical", "100000"}}),
               {{"class/thermal/thermal_zone0/mode", "disabled"}}}),
       kDefault},
      {"hottest zone wins",
       merged(
           {zone(0, "40000", {{"critical", "100000"}}), zone(1, "91000", {{"passive", "90000"}})}),
       EnergyState{.thermal = Thermal::serious}},
  };
  for (const Case& c : cases) EXPECT_EQ(readTree(c.files), c.expected) << c.name;
}

}  // namespace
}  // namespace quorvale
