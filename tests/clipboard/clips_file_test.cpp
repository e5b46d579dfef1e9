#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "clipboard/clip_store.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

namespace fs = std::filesystem;
using testing::filesIn;
using testing::TempDir;

constexpr std::string_view kValid =
    R"({"items":[{"id":"0f8fad5b-d9cb-469f-a165-70867728950e","text":"hello","date":"2024-03-05T09:07:00Z","sourceBundle":"org.gnome.TextEditor","pinned":true},)"
    R"({"id":"7C9E6679-7425-40DE-944B-E07FC1F90AE7","text":"world","date":"2024-03-05T10:07:00+01:00","pinned":false}]})";

class ClipsFileTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string path = dir / "data/Quorvale/clips.json";
  ClipPolicy policy;
};

TEST_F(ClipsFileTest, ReadsTheStoredFormWritesPrivatelyAndReadsBack) {
  EXPECT_TRUE(ClipStore::load(path).items().empty());  // no file yet: an empty history
  EXPECT_EQ(ClipStore::load(path).loadProblem(), std::nullopt);
  ClipStore::fromJson(kValid).write(path, {.memoryOnly = true});
  EXPECT_FALSE(fs::exists(dir / "data"));

  ClipStore store = ClipStore::fromJson(kValid);
  ASSERT_EQ(store.items().size(), 2u);
  const ClipItem& first = store.items()[0];
  EXPECT_EQ(first.id, "0F8FAD5B-D9CB-469F-A165-70867728950E");
  EXPECT_EQ(first.sourceBundle, "org.gnome.TextEditor");
  EXPECT_EQ(first.date, store.items()[1].date);  // 10:07 at +01:00 is 09:07 UTC
  EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(first.date.time_since_epoch()).count(),
            1709629620);

  store.write(path, policy);
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  std::string written = testing::readFile(path);
  EXPECT_NE(written.find(R"("date":"2024-03-05T09:07:00Z")"), std::string::npos);
  EXPECT_EQ(written.find("sourceBundle", written.find("world")), std::string::npos);
  ClipStore loaded = ClipStore::load(path);
  EXPECT_EQ(loaded.items(), store.items());
  EXPECT_EQ(loaded.loadProblem(), std::nullopt);
  EXPECT_EQ(filesIn(dir / "data/Quorvale"), std::vector<std::string>{"clips.json"});
}

// A damaged file gives what can be read of it (an item that cannot be decoded costs only
// itself) and is copied aside, once and byte for byte, before the first write replaces it.
TEST_F(ClipsFileTest, DamagedFilesKeepWhatCanBeReadAndAreSetAsideOnce) {
  const std::string good =
      R"({"id":"0f8fad5b-d9cb-469f-a165-70867728950e","text":"kept","date":"2024-03-05T09:07:00Z","pinned":false})";
  const auto withBadItem = [&](const std::string& bad) {
    return R"({"items":[)" + bad + "," + good + "]}";
  };
  struct Case {
    std::string bytes;
    std::vector<std::string> texts;
  };
  const std::vector<Case> cases{
      {std::string(kValid.substr(0, kValid.size() / 2)), {}},  // truncated mid-item
      {R"({"items":{}})", {}},
      {withBadItem(
           R"({"id":"not-a-uuid","text":"t","date":"2024-03-05T09:07:00Z","pinned":false})"),
       {"kept"}},
      {withBadItem(
           R"({"id":"7C9E6679-7425-40DE-944B-E07FC1F90AE7","text":"t","date":"2024-02-30T09:07:00Z","pinned":false})"),
       {"kept"}},
      {withBadItem("3"), {"kept"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    TempDir scratch;
    const std::string file = scratch / "clips.json";
    testing::writeFile(file, c.bytes);
    ClipStore store = ClipStore::load(file);
    EXPECT_EQ(testing::mapped(store.items(), &ClipItem::text), c.texts);
    EXPECT_TRUE(store.loadProblem().has_value());
    EXPECT_THROW(ClipStore::fromJson(c.bytes), ClipStoreError);

    store.record("new copy", std::nullopt, {}, ClipDate{} + std::chrono::seconds(1750000000),
                 policy);
    const ClipStore snapshot = store;
    snapshot.write(file, policy);
    store.write(file, policy);
    std::vector<std::string> names = filesIn(scratch.path());
    ASSERT_EQ(names.size(), 2u);
    EXPECT_TRUE(names[1].starts_with("clips.json.unreadable-")) << names[1];
    EXPECT_EQ(testing::readFile(scratch / names[1]), c.bytes);
    EXPECT_EQ(ClipStore::load(file).items(), store.items());
  }
  EXPECT_EQ(ClipStore::fromJson(R"({"items":[)" + good + "],\"other\":1}").items().size(), 1u);

  // A byte that is not UTF-8 spoils the JSON, not the history: it reads as U+FFFD.
  testing::writeFile(
      path,
      "{\"items\":[{\"id\":\"7C9E6679-7425-40DE-944B-E07FC1F90AE7\",\"text\":\"a\xff\","
      "\"date\":\"2024-03-05T09:07:00Z\",\"pinned\":false}," +
          good + "]}");
  ClipStore store = ClipStore::load(path);
  ASSERT_EQ(store.items().size(), 2u);
  EXPECT_EQ(store.items()[0].text, "a\uFFFD");
  EXPECT_TRUE(store.loadProblem().has_value());
}

TEST_F(ClipsFileTest, UnwritableFolderFailsAndLeavesNothingBehind) {
  testing::makeDirs(dir / "data/Quorvale");
  ClipStore store = ClipStore::fromJson(kValid);
  const std::string folder = dir / "data/Quorvale";
  EXPECT_TRUE(testing::asUnprivilegedUser([&] {
    try {
      store.write(path, policy);
      return false;
    } catch (const ClipStoreError&) {
      return fs::is_empty(folder);
    }
  }));
  EXPECT_TRUE(fs::is_empty(folder));
}

}  // namespace
}  // namespace quorvale
