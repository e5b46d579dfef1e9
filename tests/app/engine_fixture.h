// The set-up the engine's tests share: a search engine over a scratch home and data folder, with
// a manual clock and a fixed "now". Tests add their fakes by overriding `services`.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "search_engine.h"
#include "support/test_support.h"
#include "util/main_executor.h"

namespace quorvale::testing {

class EngineTest : public ::testing::Test {
 protected:
  static constexpr Date kNow = 1'750'000'000;

  EngineTest() : defaults(dir / "config/defaults.json") {
    makeDirs(dir / "data");
    makeDirs(home());
    settings.roots = {"~/Documents"};
    settings.setupVersion = 1;
  }

  std::string home() const { return dir / "home"; }
  std::string doc(const std::string& name) const { return home() + "/Documents/" + name; }

  virtual EngineServices services() {
    EngineServices result;
    result.supportDir = dir / "data";
    result.defaults = &defaults;
    result.main = &main;
    result.clock = clock;
    result.now = [] { return kNow; };
    result.home = home();
    result.applicationFolders = {dir / "apps"};
    return result;
  }

  SearchEngine& open() {
    engine_ = std::make_unique<SearchEngine>(ClipPolicy{}, services());
    return *engine_;
  }

  bool indexed(const std::string& path) { return engine_->reader().contains(path); }

  std::vector<std::string> ids(std::string_view query) {
    std::vector<std::string> result;
    for (const auto& row : engine_->search(query, settings, std::nullopt)) result.push_back(row.id);
    return result;
  }

  TempDir dir;
  UserDefaults defaults;
  MainExecutor main;
  std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
  QuorvaleSettings settings;
  std::unique_ptr<SearchEngine> engine_;  // last: stopped before what it was given
};

}  // namespace quorvale::testing
