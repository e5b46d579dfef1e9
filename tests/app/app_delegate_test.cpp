#include "app_delegate.h"

#include <gtest/gtest.h>

#include "desktop_fakes.h"
#include "settings_ui/settings_editor.h"
#include "settings_ui/setup_flow.h"
#include "support/test_support.h"
#include "util/main_executor.h"

namespace quorvale {
namespace {

using namespace std::chrono_literals;
using testing::FakeAlerts;
using testing::FakeClipboard;
using testing::FakeHotKeys;
using testing::FakeSurface;
using testing::FakeWorkspace;
using testing::fileRow;
using testing::TempDir;

Suggestion row(std::string id, Payload payload) {
  return {.id = std::move(id), .title = "t", .subtitle = "", .payload = std::move(payload)};
}

// The controller with a real engine in a scratch data folder and a fake desktop.
class AppDelegateTest : public ::testing::Test {
 protected:
  AppDelegateTest() : defaults(dir / "config/defaults.json"), main(clock) {
    setenv("HOME", (dir / "home").c_str(), 1);
    QuorvaleSettings settings;
    settings.setupVersion = 1;
    settings.roots = {dir / "home/docs"};
    settings.clipboard.enabled = true;
    SettingsStore(defaults).setSettings(settings);
  }

  AppServices services() {
    AppServices result;
    result.defaults = &defaults;
    result.main = &main;
    result.makeEngine = [this](const ClipPolicy& policy) {
      EngineServices engine;
      engine.supportDir = dir / "data";
      engine.defaults = &defaults;
      engine.main = &main;
      return std::make_unique<SearchEngine>(policy, std::move(engine));
    };
    result.panel.makeSurface = [this](PanelController&) {
      auto made = std::make_unique<FakeSurface>();
      surface = made.get();
      return made;
    };
    result.clipboard = &clipboard;
    result.workspace = &workspace;
    result.alerts = &alerts;
    result.hotKeys = &hotKeys;
    result.terminate = [this] { terminated = true; };
    result.dataFolder = dir / "home/.local/share/Quorvale";
    return result;
  }

  AppDelegate& started() {
    app = std::make_unique<AppDelegate>(services());
    EXPECT_TRUE(app->start());
    return *app;
  }

  // The settings window's controls over the running application.
  SettingsEditor editor(AppDelegate& delegate) {
    SettingsEditorServices services;
    services.store = &delegate.store();
    services.chooser = &chooser;
    services.alerts = &alerts;
    services.engine = [&delegate] { return delegate.engine(); };
    services.status = [&delegate] { return delegate.lastStatus(); };
    services.shortcutRecording = [&delegate](bool on) { delegate.shortcutRecording(on); };
    return SettingsEditor(std::move(services));
  }

  void advance(Clock::Duration by) {
    clock->advance(by);
    main.runPending();
  }

  TempDir dir;
  UserDefaults defaults;
  std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
  MainExecutor main;
  FakeClipboard clipboard;
  FakeWorkspace workspace;
  FakeAlerts alerts;
  FakeHotKeys hotKeys;
  testing::FakeFileChooser chooser;
  FakeSurface* surface = nullptr;
  bool terminated = false;
  std::unique_ptr<AppDelegate> app;
};

TEST_F(AppDelegateTest, TheModelControllerIsMadeAtStartAndFollowsTheStore) {
  AppServices s = services();
  s.makeModelController = [this] {
    return std::make_unique<ModelController>(
        main, ModelDownloader(ModelStore(dir / "Models"), "", {}), "", "quorvale-embed-1");
  };
  app = std::make_unique<AppDelegate>(std::move(s));
  ASSERT_TRUE(app->start());
  ASSERT_NE(app->models(), nullptr);
  int shown = 0;
  app->setModelObserver([&] { ++shown; });

  // `quorvale --install-model` in another process: the state and the engine follow at once
  // (the view is told of the new state and of the installation), and only once.
  ModelStore outside(dir / "Models");
  testing::makeDirs(outside.payload("quorvale-embed-1"));
  outside.record({.id = "quorvale-embed-1", .version = "1", .sizeBytes = 1, .dimension = 8},
                 std::chrono::system_clock::now());
  app->modelFilesChanged();
  EXPECT_TRUE(std::holds_alternative<ModelController::Installed>(app->models()->state()));
  EXPECT_EQ(shown, 2);
  app->modelFilesChanged();
  EXPECT_EQ(shown, 3);
}

TEST_F(AppDelegateTest, TheMenuListsItsItemsInOrder) {
  AppDelegate& delegate = started();
  EXPECT_EQ(testing::mapped(delegate.menuItems(), &MenuItem::title),
            (std::vector<std::string>{"Starting", "", "Open Quorvale", "Clipboard History", "",
                                      "Settings…", "Quit Quorvale"}));
  EXPECT_FALSE(delegate.menuItems().front().enabled);

  delegate.menuItems()[3].action();  // Clipboard History
  EXPECT_TRUE(surface->visible);
  EXPECT_EQ(delegate.panel().model().query(), "clip ");
  delegate.menuItems()[2].action();  // Open Quorvale toggles: hides and clears
  EXPECT_FALSE(surface->visible);
  EXPECT_EQ(delegate.panel().model().query(), "");

  delegate.menuItems()[5].action();  // Settings… without a window opens the settings file
  EXPECT_EQ(workspace.calls.back(), "open " + (dir / "config/defaults.json"));
  delegate.menuItems()[6].action();
  EXPECT_TRUE(terminated);
}

TEST_F(AppDelegateTest, FileRowsOpenRevealCopyHideOrLeaveOutTheirFolder) {
  AppDelegate& delegate = started();
  const std::string path = dir / "home/docs/plan.txt";
  // An empty call: the path was copied.
  for (const auto& [modifiers, call] : {std::pair<Modifiers, std::string>{{}, "open " + path},
                                        {{.command = true}, "reveal " + path},
                                        {{.option = true}, ""},
                                        {{.command = true, .option = true}, "reveal " + path}}) {
    workspace.calls.clear();
    clipboard.contents.reset();
    delegate.panel().show("plan");
    delegate.activate(fileRow(path), modifiers);
    EXPECT_FALSE(surface->visible);
    if (call.empty()) {
      EXPECT_TRUE(workspace.calls.empty());
      EXPECT_EQ(clipboard.contents, path);
    } else {
      EXPECT_EQ(workspace.calls, std::vector<std::string>{call});
      EXPECT_FALSE(clipboard.contents);
    }
  }

  // Hiding a file row and leaving out its folder store the settings once.
  PanelModel& model = delegate.panel().model();
  const std::string old = dir / "home/docs/old/plan.txt";
  model.hideResult(fileRow(old));
  model.hideResult(fileRow(old));
  model.hideResult(row("calc", Payload::calculation("1")));
  model.leaveOutFolder(fileRow(old));
  model.leaveOutFolder(fileRow(old));
  EXPECT_EQ(delegate.store().settings().hiddenResults, std::vector<std::string>{old});
  EXPECT_EQ(delegate.store().settings().excludedPaths,
            std::vector<std::string>{dir / "home/docs/old"});
}

// Force quitting asks first, naming the application when it is still running.
TEST_F(AppDelegateTest, OtherPayloads) {
  AppDelegate& delegate = started();
  delegate.activate(row("web-g", Payload::webSearch("https://example.org/?q=a")), {});
  delegate.activate(row("pane-settings:wifi", Payload::webSearch("settings:wifi")), {});
  delegate.activate(row("sys-sleep", Payload::system("sleep")), {});
  delegate.activate(row("sys-displaysleep", Payload::system("displaysleep")), {});
  delegate.activate(row("sys-screensaver", Payload::system("screensaver")), {});
  delegate.activate(row("sys-quit", Payload::system("quit:org.example.Editor")), {});
  delegate.activate(row("sys-unknown", Payload::system("reboot")), {});
  delegate.activate(row("hint-note", Payload::hint()), {});
  alerts.answer = 1;  // Cancel
  delegate.runSystem("forcequit:org.example.Editor");
  alerts.answer = 0;
  delegate.runSystem("forcequit:gone");
  EXPECT_EQ(workspace.calls,
            (std::vector<std::string>{"url https://example.org/?q=a", "settings wifi", "suspend",
                                      "lock", "screensaver", "quit org.example.Editor", "front",
                                      "front", "kill gone"}));
  EXPECT_EQ(alerts.shown, (std::vector<std::string>{
                              "Force quit Editor? | Unsaved changes in it will be lost. | 2",
                              "Force quit this app? | Unsaved changes in it will be lost. | 2"}));

  delegate.activate(row("calc", Payload::calculation("42")), {});
  EXPECT_EQ(clipboard.contents, "42");
  delegate.activate(row("snip-1", Payload::snippet("Kind regards")), {});
  EXPECT_EQ(clipboard.contents, "Kind regards");
}

// The desktop's panel searches on a thread of its own.
TEST_F(AppDelegateTest, WithBackgroundSearchesReturnRunsARowOfTheTextTypedLast) {
  AppServices s = services();
  s.searchInBackground = true;
  app = std::make_unique<AppDelegate>(std::move(s));
  ASSERT_TRUE(app->start());
  for (const char* text : {"beta note", "alpha note"}) {
    clipboard.copyFromOutside(text);
    advance(1s);  // the monitor lets copies settle
  }
  PanelModel& model = app->panel().model();
  model.setQuery("clip alpha");
  model.setQuery("clip beta");  // typed before the rows of "clip alpha" are in
  model.runSelected({});
  main.runUntil([&] { return clipboard.contents == "beta note"; }, 10s);
  EXPECT_EQ(clipboard.contents, "beta note");
}

// The monitor records the last of quick copies, and neither its own copies nor concealed ones;
// a concealed copy of its own is cleared after a minute, unless something else was copied.
TEST_F(AppDelegateTest, TheMonitorRecordsOthersCopiesAndConcealedOnesAreCleared) {
  AppDelegate& delegate = started();
  clipboard.copyFromOutside("first");
  advance(100ms);
  clipboard.copyFromOutside("second");
  advance(1s);
  delegate.copy("our own", false);
  advance(1s);
  clipboard.copyFromOutside("hidden", {"text/plain", "x-kde-passwordManagerHint"});
  advance(1s);
  EXPECT_EQ(testing::mapped(delegate.engine()->clips().items(), &ClipItem::text),
            std::vector<std::string>{"second"});

  delegate.activate(row("tool-secret", Payload::calculation("s3cret-Pa55")), {});
  EXPECT_EQ(clipboard.offered.back(), "x-kde-passwordManagerHint");
  advance(59s);
  EXPECT_EQ(clipboard.contents, "s3cret-Pa55");
  advance(1s);
  EXPECT_FALSE(clipboard.contents);
  delegate.copy("another secret", true);
  advance(10s);
  clipboard.copyFromOutside("something the user copied");
  advance(60s);
  EXPECT_EQ(clipboard.contents, "something the user copied");
}

TEST_F(AppDelegateTest, HotKeysAreRegisteredRefusalsReportedAndReleasedWhileRecording) {
  hotKeys.refused = {1};
  AppDelegate& delegate = started();
  ASSERT_EQ(hotKeys.bindings.size(), 2u);
  EXPECT_EQ(hotKeys.bindings[0].hotKey, QuorvaleSettings::kDefaultHotKey);
  EXPECT_EQ(delegate.store().unavailable(), std::set<int>{1});
  hotKeys.bindings[1].action();
  EXPECT_EQ(delegate.panel().model().query(), "clip ");

  SettingsEditor settings = editor(delegate);
  settings.startRecording(HotKeySlot::clipboard);
  EXPECT_TRUE(hotKeys.bindings.empty());
  HotKey recorded{.keyCode = 9, .modifiers = HotKey::control | HotKey::option};
  settings.endRecording(HotKeySlot::clipboard, recorded);
  ASSERT_EQ(hotKeys.bindings.size(), 2u);
  EXPECT_EQ(hotKeys.bindings[1].hotKey, recorded);
}

TEST_F(AppDelegateTest, SettingsChangesFromHereOrAnotherProcessSettleBeforeTheyApply) {
  AppDelegate& delegate = started();
  int registrations = hotKeys.registrations;
  QuorvaleSettings settings = delegate.store().settings();
  settings.clipboard.enabled = false;
  delegate.store().setSettings(settings);
  advance(300ms);
  settings.showMenuBarIcon = false;
  delegate.store().setSettings(settings);
  advance(500ms);
  EXPECT_EQ(hotKeys.registrations, registrations);
  EXPECT_TRUE(delegate.clipboard().running());
  advance(100ms);
  EXPECT_EQ(hotKeys.registrations, registrations + 1);
  EXPECT_FALSE(delegate.clipboard().running());
  EXPECT_EQ(delegate.lastApplied(), settings);

  // A change of the file by another process is a settings change.
  delegate.engine()->waitUntilIdle();  // its write of the content version is done
  {
    UserDefaults other(dir / "config/defaults.json");
    SettingsStore elsewhere(other);
    QuorvaleSettings theirs = elsewhere.settings();
    theirs.resultLimit = 5;
    elsewhere.setSettings(theirs);
  }
  delegate.settingsFileChanged();
  EXPECT_EQ(delegate.store().settings().resultLimit, 5);
  advance(600ms);
  EXPECT_EQ(delegate.lastApplied()->resultLimit, 5);

  // A half-written file changes nothing and is not written over.
  testing::writeFile(dir / "config/defaults.json", "{\"quorvale.settings.v1\": {\"roots\": 3");
  delegate.settingsFileChanged();
  EXPECT_EQ(delegate.store().settings().resultLimit, 5);
}

TEST_F(AppDelegateTest, AnUnopenableDataFolderAlertsAndEnds) {
  AppServices broken = services();
  broken.makeEngine = [](const ClipPolicy&) -> std::unique_ptr<SearchEngine> {
    throw IndexError::open("unable to open database file");
  };
  AppDelegate delegate(std::move(broken));
  EXPECT_FALSE(delegate.start());
  EXPECT_TRUE(terminated);
  ASSERT_EQ(alerts.shown.size(), 1u);
  EXPECT_EQ(alerts.shown.front(),
            "Quorvale could not open its data folder | Quorvale keeps its search index in "
            "~/.local/share/Quorvale. Check that the folder can be written to, then open "
            "Quorvale again. | 1");
}

TEST_F(AppDelegateTest, SetupWaitsForItsWindowAndStartsOneScan) {
  QuorvaleSettings fresh;
  fresh.roots = {dir / "home/docs"};
  SettingsStore(defaults).setSettings(fresh);
  int setupShown = 0;
  AppServices withSetup = services();
  withSetup.showSetup = [&] { ++setupShown; };
  app = std::make_unique<AppDelegate>(std::move(withSetup));
  ASSERT_TRUE(app->start());
  EXPECT_EQ(setupShown, 1);
  EXPECT_FALSE(app->engine()->scanPending());

  SettingsEditor settings = editor(*app);
  SetupFlow flow(settings, [this] { app->finishSetup(); });
  chooser.chosen = {dir / "home/more"};
  flow.addFolders();
  advance(600ms);  // the change settles, and still nothing is scanned
  EXPECT_FALSE(app->engine()->scanPending());
  flow.finish();
  EXPECT_EQ(app->store().settings().setupVersion, 1);
  EXPECT_TRUE(app->engine()->scanPending());
  app->engine()->waitUntilIdle();
  app->finishSetup();  // a second finish starts nothing
  EXPECT_FALSE(app->engine()->scanPending());
}

}  // namespace
}  // namespace quorvale
