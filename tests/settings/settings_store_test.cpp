#include "settings/settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "settings/settings_codec.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;
using testing::filesIn;
using testing::TempDir;

class SettingsStoreTest : public ::testing::Test {
 protected:
  Json storedFile() const { return Json::parse(testing::readFile(path)); }
  void store(const Json& file) { testing::writeFile(path, file.dump()); }
  // The files beside defaults.json whose names mark a set-aside copy.
  std::vector<std::string> setAside() const {
    std::vector<std::string> names;
    for (const std::string& name : filesIn(folder)) {
      if (name.starts_with("defaults.json.unreadable-")) names.push_back(name);
    }
    return names;
  }

  TempDir dir;
  std::string folder = dir / "config/quorvale";
  std::string path = folder + "/defaults.json";
  UserDefaults defaults{path};
};

TEST_F(SettingsStoreTest, SavesTheWholeRecordPrivatelyAndKeepsOtherMembersAndClampsTheLimit) {
  store(Json{{"quorvale.contentVersion", 2}, {"other.tool", {{"x", 1}}}});
  SettingsStore settings(defaults);
  QuorvaleSettings changed = settings.settings();
  changed.semanticSearch = true;
  settings.setSettings(changed);

  Json file = storedFile();
  EXPECT_EQ(file["quorvale.contentVersion"], 2);
  EXPECT_EQ(file["other.tool"]["x"], 1);
  EXPECT_EQ(file["quorvale.settings.v1"], encodeSettings(changed));
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(filesIn(folder), std::vector<std::string>{"defaults.json"});
  EXPECT_EQ(SettingsStore(defaults).settings(), changed);

  // The saved result limit is clamped, not the one in memory; the panel shows the clamped number
  // of rows whatever the record in memory holds.
  for (std::int64_t limit : {INT64_C(1), INT64_C(40), INT64_MIN, INT64_MAX}) {
    changed.resultLimit = limit;
    settings.setSettings(changed);
    EXPECT_EQ(settings.settings().resultLimit, limit);
    EXPECT_EQ(settings.settings().shownResultLimit(), limit < 3 ? 3 : 15);
    EXPECT_EQ(SettingsStore(defaults).settings().resultLimit, limit < 3 ? 3 : 15);
  }
}

TEST_F(SettingsStoreTest, NoRecordGivesDefaultsAndHotKeysChangeThroughTheRules) {
  SettingsStore settings(defaults);
  EXPECT_EQ(settings.settings(), QuorvaleSettings());
  EXPECT_EQ(settings.loadProblem(), std::nullopt);
  EXPECT_EQ(settings.assign({8, 256}, HotKeySlot::panel),
            (HotKeyProblem{HotKeyProblem::Kind::needsControlOrOption, ""}));
  EXPECT_FALSE(fs::exists(path));
  EXPECT_EQ(settings.assign({8, 4096}, HotKeySlot::panel), std::nullopt);
  EXPECT_EQ(SettingsStore(defaults).settings().hotKey, (HotKey{8, 4096}));
  settings.resetHotKey(HotKeySlot::panel);
  EXPECT_EQ(SettingsStore(defaults).settings().hotKey, QuorvaleSettings::kDefaultHotKey);
}

TEST_F(SettingsStoreTest, UndecodableRecordIsSetAsideAtLoadOnceAndNamedInTheProblem) {
  const Json original = {
      {"quorvale.settings.v1", {{"roots", {"~/Mine"}}, {"resultLimit", "eight"}}},
      {"quorvale.contentVersion", 2}};
  store(original);
  const std::string bytes = testing::readFile(path);
  SettingsStore settings(defaults);
  EXPECT_EQ(settings.settings(), QuorvaleSettings());
  EXPECT_FALSE(settings.fromUser());
  ASSERT_EQ(setAside().size(), 1u);
  const std::string copy = folder + "/" + setAside()[0];
  EXPECT_EQ(settings.setAsidePath(), copy);
  EXPECT_EQ(testing::readFile(copy), bytes);
  ASSERT_TRUE(settings.loadProblem().has_value());
  EXPECT_NE(settings.loadProblem()->find(copy), std::string::npos) << *settings.loadProblem();
  EXPECT_EQ(testing::readFile(path), bytes);  // loading writes over nothing

  // Every later start sees the same damage and names the same copy.
  EXPECT_EQ(SettingsStore(defaults).setAsidePath(), copy);
  settings.setSettings(settings.settings());
  settings.setSettings(settings.settings());
  EXPECT_TRUE(settings.fromUser());
  EXPECT_EQ(setAside(), std::vector<std::string>{setAside()[0]});
  EXPECT_EQ(storedFile()["quorvale.contentVersion"], 2);
  EXPECT_EQ(storedFile()["quorvale.settings.v1"], encodeSettings(QuorvaleSettings()));
}

TEST_F(SettingsStoreTest, AFileThatCannotBeReadIsNotTheUsersAndIsLeftAsItIs) {
  store(Json{{"quorvale.settings.v1", {{"resultLimit", 12}}}});
  chmod(path.c_str(), 0600);
  const std::string before = testing::readFile(path);
  chmod(folder.c_str(), 0777);
  EXPECT_TRUE(testing::asUnprivilegedUser([&] {
    UserDefaults unreadable(path);
    SettingsStore settings(unreadable);
    if (settings.fromUser() || !settings.loadProblem() || settings.setAsidePath()) return false;
    if (settings.loadProblem()->find(path) == std::string::npos) return false;
    try {
      settings.setSettings(settings.settings());
      return false;
    } catch (const DefaultsError&) {
      return !settings.fromUser();
    }
  }));
  EXPECT_EQ(testing::readFile(path), before);
  EXPECT_TRUE(setAside().empty());
}

// A record that loses something when read (a dropped snippet, a file cut short) is copied
// aside, byte for byte, before the first save writes over it.
TEST_F(SettingsStoreTest, PartlyReadFilesAreSetAsideBeforeTheyAreReplaced) {
  const Json badSnippet = {{"id", "nope"}, {"keyword", "k"}, {"name", "n"}, {"text", "t"}};
  const std::string whole = Json{
      {"quorvale.settings.v1", encodeSettings(QuorvaleSettings())},
      {"quorvale.contentVersion",
       2}}.dump();
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {Json{{"quorvale.settings.v1",
             {{"snippets", Json::array({badSnippet})}, {"roots", {"~/Mine"}}}}}
           .dump(),
       {"~/Mine"}},
      {whole.substr(0, whole.size() / 2), QuorvaleSettings().roots},
  };
  for (const auto& [bytes, roots] : cases) {
    fs::remove_all(folder);
    testing::writeFile(path, bytes);
    SettingsStore settings(defaults);
    EXPECT_EQ(settings.settings().roots, roots) << bytes;
    EXPECT_TRUE(settings.settings().snippets.empty());
    settings.setSettings(settings.settings());
    ASSERT_EQ(setAside().size(), 1u) << bytes;
    EXPECT_EQ(testing::readFile(folder + "/" + setAside()[0]), bytes);
    EXPECT_EQ(SettingsStore(defaults).settings(), settings.settings());
  }
}

TEST_F(SettingsStoreTest, UnwritableConfigFolderSurfacesAndLeavesNothingHalfWritten) {
  store(Json{{"quorvale.contentVersion", 2}});
  chmod(path.c_str(), 0644);
  const std::string before = testing::readFile(path);
  const std::string fresh = dir / "config/fresh/quorvale/defaults.json";
  testing::makeDirs(dir / "config/fresh");
  EXPECT_TRUE(testing::asUnprivilegedUser([&] {
    for (const std::string& target : {path, fresh}) {
      UserDefaults unwritable(target);
      SettingsStore settings(unwritable);
      try {
        settings.setSettings(settings.settings());
        return false;
      } catch (const DefaultsError&) {
      }
    }
    return true;
  }));
  EXPECT_EQ(testing::readFile(path), before);
  EXPECT_EQ(filesIn(folder), std::vector<std::string>{"defaults.json"});
  EXPECT_TRUE(fs::is_empty(dir / "config/fresh"));
}

}  // namespace
}  // namespace quorvale
