#include "settings_ui/settings_editor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "desktop_fakes.h"
#include "settings/hot_key_rules.h"
#include "settings_ui/setup_flow.h"
#include "support/test_support.h"
#include "util/main_executor.h"

namespace quorvale {
namespace {

using SettingsFields::List;
using SettingsFields::Number;
using SettingsFields::Switch;

// The editor over a store in a scratch folder, counting the saves.
class SettingsEditorTest : public ::testing::Test {
 protected:
  SettingsEditorTest() : defaults(dir / "config/defaults.json"), store(defaults) {
    setenv("HOME", (dir / "home").c_str(), 1);
    store.observe([this](const SettingsStore&) { ++saves; });
  }

  SettingsEditor editor() {
    SettingsEditorServices services;
    services.store = &store;
    services.chooser = &chooser;
    services.alerts = &alerts;
    services.setLoginItem = [](bool) { return false; };  // the desktop refuses
    services.models = modelController;
    return SettingsEditor(std::move(services));
  }

  testing::TempDir dir;
  UserDefaults defaults;
  SettingsStore store;
  testing::FakeFileChooser chooser;
  testing::FakeAlerts alerts;
  int saves = 0;
  std::function<ModelController*()> modelController;
};

TEST_F(SettingsEditorTest, EachControlChangesItsOneField) {
  struct Case {
    std::function<void(SettingsEditor&)> control;
    std::function<void(QuorvaleSettings&)> expected;
  };
  const std::vector<Case> cases{
      {[](auto& e) { e.setSwitch(Switch::indexContents, false); },
       [](auto& s) { s.indexContents = false; }},
      // Numbers are kept within the control's range.
      {[](auto& e) { e.setNumber(Number::resultLimit, 40); }, [](auto& s) { s.resultLimit = 15; }},
      {[](auto& e) { e.setNumber(Number::clipboardMaxAgeDays, 0); },
       [](auto& s) { s.clipboard.maxAgeDays = 1; }},
      {[](auto& e) { e.setNumber(Number::clipboardMaxKilobytes, 20); },
       [](auto& s) { s.clipboard.maxBytesPerItem = 20000; }},
      {[](auto& e) { e.addItems(List::excludedPaths, std::vector<std::string>{"/srv/x"}); },
       [](auto& s) { s.excludedPaths = {"/srv/x"}; }},
      {[](auto& e) { e.addItems(List::ignoredApplications, std::vector<std::string>{" pass "}); },
       [](auto& s) { s.clipboard.ignoredBundles.insert("pass"); }},
      {[](auto& e) { e.setFallback(1, true); },  // DuckDuckGo
       [](auto& s) { s.fallbackKeywords.push_back("ddg"); }},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    store.setSettings(QuorvaleSettings{});
    QuorvaleSettings expected = store.settings();
    cases[i].expected(expected);
    SettingsEditor e = editor();
    cases[i].control(e);
    EXPECT_EQ(store.settings(), expected) << "case " << i;
    EXPECT_EQ(SettingsStore(defaults).settings(), expected) << "case " << i << " saved";
  }
}

TEST_F(SettingsEditorTest, AFolderThatIsAlreadyListedChangesNothing) {
  SettingsEditor e = editor();
  ASSERT_EQ(store.settings().roots.front(), "~/Desktop");
  chooser.chosen = {dir / "home/Desktop/", dir / "home/Desktop/../Documents"};
  int before = saves;
  EXPECT_EQ(e.chooseAndAdd(List::roots), 0u);
  EXPECT_EQ(saves, before);
  EXPECT_EQ(chooser.messages.back(), "Choose folders for Quorvale to index");

  chooser.chosen = {dir / "home/Music", dir / "home/Music", dir / "home/Films"};
  EXPECT_EQ(e.chooseAndAdd(List::roots), 2u);
  EXPECT_EQ(saves, before + 1);  // stored once
  chooser.chosen.clear();
  EXPECT_EQ(e.chooseAndAdd(List::excludedPaths), 0u);
  EXPECT_EQ(chooser.messages.back(), "Choose folders for Quorvale to leave out of its index");
}

TEST_F(SettingsEditorTest, ARefusedShortcutShowsTheRuleAndIsNotStored) {
  SettingsEditor e = editor();
  const QuorvaleSettings before = store.settings();
  // The rules themselves are tested with the settings; here, that a refusal reaches the line.
  e.startRecording(HotKeySlot::clipboard);
  e.endRecording(HotKeySlot::clipboard, QuorvaleSettings::kDefaultHotKey);
  EXPECT_EQ(store.settings(), before);
  EXPECT_TRUE(e.hotKeyLine(HotKeySlot::clipboard).problem);
  EXPECT_EQ(e.hotKeyLine(HotKeySlot::clipboard).message,
            "That is already set for the Quorvale hotkey.");

  // A good one is stored and clears the message; Super-Space keeps a warning beside it.
  HotKey superSpace{.keyCode = 49, .modifiers = HotKey::cmd};
  e.endRecording(HotKeySlot::panel, superSpace);
  EXPECT_EQ(store.settings().hotKey, superSpace);
  HotKeyLine line = e.hotKeyLine(HotKeySlot::panel);
  EXPECT_EQ(line.shortcut, "Super+Space");
  EXPECT_FALSE(line.problem);
  EXPECT_EQ(line.message, platformProfile().commandSpaceNote);

  store.setUnavailable({0});
  EXPECT_EQ(e.hotKeyLine(HotKeySlot::panel).message, HotKeyRules::kUnavailableMessage);
  e.resetHotKey(HotKeySlot::panel);
  EXPECT_EQ(store.settings().hotKey, QuorvaleSettings::kDefaultHotKey);
}

// The web search form is driven through its window.
TEST_F(SettingsEditorTest, SnippetFormSaysWhatIsWrongAndAddsNothing) {
  SettingsEditor e = editor();
  EXPECT_EQ(e.saveSnippet(std::nullopt, "sig", "", "Regards,\n{clipboard}"), std::nullopt);
  EXPECT_EQ(e.saveSnippet(std::nullopt, "SIG", "Other", "x"), WebSearch::kKeywordUsed);
  EXPECT_EQ(e.saveSnippet(std::nullopt, "addr", "Address", "  "),
            SettingsEditor::kSnippetTextMissing);
  ASSERT_EQ(store.settings().snippets.size(), 1u);
  Snippet saved = store.settings().snippets.front();
  EXPECT_EQ(saved.name, "sig");  // an empty name takes the keyword
  // Editing keeps the snippet's identity, and its own keyword is not "already used".
  EXPECT_EQ(e.saveSnippet(0, "sig", "Signature", "Best"), std::nullopt);
  EXPECT_EQ(store.settings().snippets.front().id, saved.id);
  EXPECT_EQ(store.settings().snippets.front().text, "Best");
  e.removeSnippet(0);
  EXPECT_TRUE(store.settings().snippets.empty());
}

TEST_F(SettingsEditorTest, WithoutGlobalShortcutsTheHelpSaysWhatToBind) {
  SettingsEditorServices services;
  services.store = &store;
  services.globalShortcuts = false;
  auto help = SettingsEditor(std::move(services)).shortcutHelp();
  ASSERT_TRUE(help);
  EXPECT_NE(help->find("quorvale --toggle"), std::string::npos);
}

TEST_F(SettingsEditorTest, SetupListsTheStandardFoldersApartAndFinishesOnce) {
  SettingsEditor e = editor();
  int finished = 0;
  SetupFlow flow(e, [&] { ++finished; });
  EXPECT_TRUE(flow.includes("~/Documents"));

  chooser.chosen = {dir / "home/Projects"};
  EXPECT_EQ(flow.addFolders(), 1u);
  auto others = flow.otherFolders();
  ASSERT_FALSE(others.empty());
  EXPECT_EQ(others.back(), dir / "home/Projects");
  flow.removeOther(others.size() - 1);
  EXPECT_EQ(flow.otherFolders().size(), others.size() - 1);

  EXPECT_EQ(flow.setOpenAtLogin(true), platformProfile().loginItemRefused);
  EXPECT_FALSE(e.shortcutHelp());  // shortcuts can be grabbed here
  flow.finish();
  flow.finish();
  EXPECT_EQ(finished, 1);
}

TEST(ModelViewTest, EachStateOffersTheButtonsItAllows) {
  using Action = ModelControls::Action;
  using C = ModelController;
  ModelManifest offer;
  offer.license = "Apache-2.0";
  struct Case {
    C::State state;
    bool fromFolder;
    Action action;
    bool installFromFolder;
    std::optional<double> progress;
  };
  const std::vector<Case> cases{
      {C::NotInstalled{offer}, false, Action::download, false, std::nullopt},
      // Files copied from disk cannot be cancelled.
      {C::Downloading{0}, true, Action::none, false, 0.0},
      {C::Failed{C::kChecksumText}, false, Action::retry, false, std::nullopt},
      // Files refused from disk: another folder may be chosen at once.
      {C::Failed{"the model needs config.json"}, true, Action::none, true, std::nullopt},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.state.index());
    ModelControls shown = model_view::controls(test.state, test.fromFolder);
    EXPECT_EQ(shown.action, test.action);
    EXPECT_EQ(shown.actionTitle.empty(), test.action == Action::none);
    EXPECT_EQ(shown.installFromFolder, test.installFromFolder);
    EXPECT_EQ(shown.progress, test.progress);
  }
  // The controller's texts are shown as they are; a failure as a problem.
  auto failed = model_view::controls(C::Failed{C::kChecksumText}, false);
  EXPECT_EQ(failed.message, C::kChecksumText);
  EXPECT_TRUE(failed.problem);
  EXPECT_EQ(model_view::controls(C::Failed{"the model needs config.json"}, true).message,
            "The files could not be installed: the model needs config.json.");
  EXPECT_NE(model_view::controls(C::NotInstalled{offer}, false).message.find("Apache-2.0"),
            std::string::npos);
}

TEST_F(SettingsEditorTest, TheModelInstallsFromTheChosenFolder) {
  MainExecutor main;
  ModelStore models(dir / "Models");
  ModelController controller(
      main, ModelDownloader(models, "", {.checkPayload = [](const std::string&) { return 8; }}), "",
      "quorvale-embed-1");
  modelController = [&] { return &controller; };
  SettingsEditor e = editor();
  controller.refresh();
  ASSERT_TRUE(e.modelControls()->installFromFolder);
  EXPECT_FALSE(e.installModelFromFolder());  // the dialog was cancelled
  EXPECT_EQ(chooser.messages.back(), model_view::kChooseFolderMessage);

  std::string folder = dir / "download/model";
  std::filesystem::create_directories(folder);
  for (const char* name : ModelDownloader::kModelFiles)
    testing::writeFile(folder + "/" + name, "x");
  chooser.chosen = {folder};
  EXPECT_TRUE(e.installModelFromFolder());
  EXPECT_EQ(e.modelControls()->action, ModelControls::Action::none);  // not cancellable
  main.runUntil(
      [&] { return !std::holds_alternative<ModelController::Downloading>(controller.state()); },
      std::chrono::seconds(30));
  ASSERT_TRUE(models.installed("quorvale-embed-1"));
  EXPECT_EQ(e.modelControls()->action, ModelControls::Action::remove);
}

}  // namespace
}  // namespace quorvale
