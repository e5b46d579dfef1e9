#include "scan_schedule.h"

#include <gtest/gtest.h>

#include <vector>

#include "util/main_executor.h"

namespace quorvale {
namespace {

QuorvaleSettings withRoot(const std::string& root) {
  QuorvaleSettings settings;
  settings.roots = {root};
  return settings;
}

class ScanScheduleTest : public ::testing::Test {
 protected:
  // Each scan records its first root and asks what a test wants while it runs.
  ScanSchedule schedule_{queue_, [this](QuorvaleSettings settings) {
                           settings = schedule_.begin(std::move(settings));
                           scanned_.push_back(settings.roots.front());
                           if (duringScan_) duringScan_();
                           cancelledWhileRunning_.push_back(schedule_.cancelled());
                           schedule_.finish(false);
                         }};
  MainExecutor queue_;
  std::vector<std::string> scanned_;
  std::vector<bool> cancelledWhileRunning_;
  std::function<void()> duringScan_;
};

TEST_F(ScanScheduleTest, RequestsBeforeAScanScanOnceAndOneDuringItCancelsAndScansAgain) {
  schedule_.request(withRoot("/a"));
  schedule_.request(withRoot("/b"));
  EXPECT_TRUE(schedule_.pending());
  queue_.runPending();
  EXPECT_EQ(scanned_, std::vector<std::string>{"/b"});
  EXPECT_FALSE(schedule_.pending());
  EXPECT_EQ(schedule_.lastRequested(), withRoot("/b"));

  // A request during a scan cancels it and scans again after.
  duringScan_ = [this] {
    if (scanned_.size() == 2) schedule_.request(withRoot("/c"));
  };
  schedule_.request(withRoot("/a"));
  queue_.runPending();
  EXPECT_EQ(scanned_, (std::vector<std::string>{"/b", "/a", "/c"}));
  EXPECT_EQ(cancelledWhileRunning_, (std::vector<bool>{false, true, false}));
  EXPECT_FALSE(schedule_.pending());
}

TEST(ScanSchedulePlanTest, EnergyDecidesWhatAScanMayDo) {
  ScanConfig config = ScanConfig::make({"/apps", "/home/user"});
  config.appOnlyRoots = {"/apps"};
  ScanConfig appsOnly = config;
  appsOnly.roots = {"/apps"};
  struct Case {
    EnergyState energy;
    std::optional<ScanConfig> scanned;
    bool message;
    bool retry;
  };
  const Case cases[] = {
      {{}, config, false, false},
      {{.thermal = EnergyState::Thermal::serious}, appsOnly, true, true},
      {{.lowPowerMode = true}, appsOnly, true, true},
      {{.onBattery = true, .batteryPercent = 10}, appsOnly, true, true},
      {{.thermal = EnergyState::Thermal::critical}, std::nullopt, true, true},
  };
  for (const Case& c : cases) {
    const ScanSchedule::Plan plan = ScanSchedule::planFor(c.energy, config);
    EXPECT_EQ(plan.config, c.scanned);
    EXPECT_EQ(plan.message.has_value(), c.message);
    EXPECT_EQ(plan.retry, c.retry);
  }
}

}  // namespace
}  // namespace quorvale
