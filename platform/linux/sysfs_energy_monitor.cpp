#include "sysfs_energy_monitor.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

namespace quorvale {
namespace {

namespace fs = std::filesystem;

constexpr long long kFairMargin = 10'000;  // millidegrees below the first trip that matters

// The first line of a sysfs attribute without its line break; nothing when unreadable.
std::optional<std::string> readLine(const fs::path& path) {
  std::ifstream in(path);
  std::string line;
  if (!in || !std::getline(in, line)) return std::nullopt;
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) {
    line.pop_back();
  }
  return line;
}

std::optional<long long> readNumber(const fs::path& path) {
  std::optional<std::string> line = readLine(path);
  if (!line) return std::nullopt;
  const char* first = line->data();
  const char* last = first + line->size();
  long long value = 0;
  auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last) return std::nullopt;
  return value;
}

// Entries of a folder whose names start with `prefix`, in name order; none when unreadable.
std::vector<fs::path> entries(const fs::path& folder, std::string_view prefix) {
  std::vector<fs::path> found;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (it->path().filename().string().starts_with(prefix)) found.push_back(it->path());
  }
  std::sort(found.begin(), found.end());
  return found;
}

struct Power {
  bool onBattery = false;
  int percent = 100;
};

Power readPower(const fs::path& root) {
  bool discharging = false;
  bool externalPower = false;
  std::vector<long long> capacities;
  for (const fs::path& supply : entries(root / "class/power_supply", "")) {
    if (readLine(supply / "scope") == "Device") continue;
    std::string type = readLine(supply / "type").value_or("");
    if (type == "Battery") {
      discharging = discharging || readLine(supply / "status") == "Discharging";
      if (auto capacity = readNumber(supply / "capacity")) {
        capacities.push_back(std::clamp(*capacity, 0LL, 100LL));
      }
    } else if (!type.empty() && type != "UPS") {
      externalPower = externalPower || readNumber(supply / "online") == 1;
    }
  }
  Power power;
  power.onBattery = discharging && !externalPower;
  if (!capacities.empty()) {
    long long sum = 0;
    for (long long capacity : capacities) sum += capacity;
    power.percent = static_cast<int>(sum / static_cast<long long>(capacities.size()));
  }
  return power;
}

bool readLowPower(const fs::path& root) {
  return readLine(root / "firmware/acpi/platform_profile") == "low-power";
}

EnergyState::Thermal zoneThermal(const fs::path& zone) {
  using Thermal = EnergyState::Thermal;
  if (readLine(zone / "mode") == "disabled") return Thermal::nominal;
  auto temp = readNumber(zone / "temp");
  if (!temp) return Thermal::nominal;

  Thermal level = Thermal::nominal;
  std::optional<long long> lowestTrip;
  for (const fs::path& typeFile : entries(zone, "trip_point_")) {
    std::string name = typeFile.filename().string();
    if (!name.ends_with("_type")) continue;
    std::string type = readLine(typeFile).value_or("");
    bool critical = type == "critical";
    if (!critical && type != "passive" && type != "hot") continue;
    auto trip = readNumber(zone / (name.substr(0, name.size() - 5) + "_temp"));
    if (!trip || *trip <= 0) continue;
    lowestTrip = std::min(lowestTrip.value_or(*trip), *trip);
    if (*temp >= *trip) level = std::max(level, critical ? Thermal::critical : Thermal::serious);
  }
  if (level == Thermal::nominal && lowestTrip && *temp >= *lowestTrip - kFairMargin) {
    return Thermal::fair;
  }
  return level;
}

EnergyState::Thermal readThermal(const fs::path& root) {
  EnergyState::Thermal worst = EnergyState::Thermal::nominal;
  for (const fs::path& zone : entries(root / "class/thermal", "thermal_zone")) {
    worst = std::max(worst, zoneThermal(zone));
  }
  return worst;
}

}  // namespace

SysfsEnergyMonitor::SysfsEnergyMonitor(std::string sysfsRoot) : root_(std::move(sysfsRoot)) {}

EnergyState SysfsEnergyMonitor::current() const {
  fs::path root(root_);
  Power power = readPower(root);
  return EnergyState{.onBattery = power.onBattery,
                     .batteryPercent = power.percent,
                     .lowPowerMode = readLowPower(root),
                     .thermal = readThermal(root)};
}

}  // namespace quorvale
