// The launcher with its panel searching on a thread of its own, as the desktop runs it.
#include <gtest/gtest.h>

#include "app_delegate.h"
#include "desktop_fakes.h"
#include "support/test_support.h"
#include "util/main_executor.h"

namespace quorvale {
namespace {

using namespace std::chrono_literals;

class NoSurface : public PanelSurface {
 public:
  bool isVisible() const override { return true; }
  Size fitContents() override { return {600, 100}; }
  void moveTo(Point) override {}
  void present() override {}
  void orderOut() override {}
};

class AppSearchThreadTest : public ::testing::Test {
 protected:
  AppSearchThreadTest() : defaults(dir / "config/defaults.json") {
    setenv("HOME", (dir / "home").c_str(), 1);
    QuorvaleSettings settings;
    settings.setupVersion = 1;
    settings.roots = {dir / "home/docs"};
    settings.clipboard.enabled = true;
    SettingsStore(defaults).setSettings(settings);

    AppServices services;
    services.defaults = &defaults;
    services.main = &main;
    services.makeEngine = [this](const ClipPolicy& policy) {
      EngineServices engine;
      engine.supportDir = dir / "data";
      engine.defaults = &defaults;
      engine.main = &main;
      return std::make_unique<SearchEngine>(policy, std::move(engine));
    };
    services.panel.makeSurface = [](PanelController&) { return std::make_unique<NoSurface>(); };
    services.clipboard = &clipboard;
    services.workspace = &workspace;
    services.alerts = &alerts;
    services.terminate = [] {};
    services.dataFolder = dir / "home/.local/share/Quorvale";
    services.searchInBackground = true;
    app = std::make_unique<AppDelegate>(std::move(services));
    EXPECT_TRUE(app->start());
  }

  void copied(const std::string& text) {
    clipboard.copyFromOutside(text);
    main.runUntil([] { return false; }, 600ms);  // the monitor lets copies settle
  }

  testing::TempDir dir;
  UserDefaults defaults;
  MainExecutor main;
  testing::FakeClipboard clipboard;
  testing::FakeWorkspace workspace;
  testing::FakeAlerts alerts;
  std::unique_ptr<AppDelegate> app;
};

TEST_F(AppSearchThreadTest, ReturnRunsARowOfTheTextTypedLast) {
  copied("beta note");
  copied("alpha note");
  PanelModel& model = app->panel().model();
  model.setQuery("clip alpha");
  model.setQuery("clip beta");  // typed before the rows of "clip alpha" are in
  model.runSelected({});
  main.runUntil([&] { return clipboard.contents == "beta note"; }, 10s);
  EXPECT_EQ(clipboard.contents, "beta note");
}

}  // namespace
}  // namespace quorvale
