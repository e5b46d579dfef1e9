#include "clipboard/clip_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace quorvale {
namespace {

ClipDate at(double seconds) {
  return ClipDate(
      std::chrono::duration_cast<ClipDate::duration>(std::chrono::duration<double>(seconds)));
}

constexpr double kDay = 86400;
constexpr double kNow = 1'700'000'000;

class ClipStoreTest : public ::testing::Test {
 protected:
  RecordOutcome copy(std::string_view text, double when = kNow,
                     std::optional<std::string> source = std::nullopt,
                     std::vector<std::string> types = {}) {
    return store.record(text, source, types, at(when), policy);
  }
  std::vector<std::string> texts() const { return texts(store.items()); }
  static std::vector<std::string> texts(const std::vector<ClipItem>& items) {
    return testing::mapped(items, &ClipItem::text);
  }

  ClipStore store;
  ClipPolicy policy;
};

using PolicyChange = std::function<void(ClipPolicy&)>;

struct Refusal {
  std::string name;
  std::string text;
  std::optional<std::string> source;
  std::vector<std::string> types;
  std::string reason;
  PolicyChange change = [](ClipPolicy&) {};
};

TEST_F(ClipStoreTest, RefusesInOrderWithItsReason) {
  const std::string concealed = "org.nspasteboard.ConcealedType";
  const auto limit = [](int64_t bytes) {
    return [=](ClipPolicy& p) { p.maxBytesPerItem = bytes; };
  };
  const auto off = [](ClipPolicy& p) { p.enabled = false; };
  const std::optional<std::string> none;
  const std::string manager = "password manager", marked = "marked private by the app";
  std::string accents;  // 100,000 bytes in 50,000 characters
  for (int i = 0; i < 50000; ++i) accents += "é";
  const std::vector<Refusal> cases{
      {"off first", "hello", "com.1password.1password", {concealed}, "history is off", off},
      {"password manager, any case", "hello", "1PASSWORD", {}, manager},
      // Linux desktops name the copying application by desktop-entry id or window class.
      {"manager before private type", "", "org.keepassxc.keepassxc", {concealed}, manager},
      {"concealed type", "hello", none, {"text/plain", concealed}, marked},
      {"KDE password-manager hint", "hello", none, {"x-kde-passwordManagerHint"}, marked},
      {"private type before empty", " ", none, {"org.nspasteboard.TransientType"}, marked},
      {"empty before too large", "  ", none, {}, "empty", limit(0)},
      {"too large before secret", "123456", none, {}, "too large", limit(5)},
      {"size in UTF-8 bytes", accents + "e", none, {}, "too large", limit(100000)},
      {"negative size limit", "a", none, {}, "too large", limit(-1)},
      {"secret", "4111 1111 1111 1111", none, {}, "looks like a secret"},
  };
  for (const Refusal& c : cases) {
    ClipPolicy changed;
    c.change(changed);
    ClipStore fresh;
    EXPECT_EQ(fresh.record(c.text, c.source, c.types, at(kNow), changed),
              RecordOutcome::skipped(c.reason))
        << c.name;
    EXPECT_TRUE(fresh.items().empty()) << c.name;
  }
  policy.skipSensitive = false;
  EXPECT_EQ(copy("123456"), RecordOutcome::added());
  policy.maxBytesPerItem = 100000;
  EXPECT_EQ(copy(accents), RecordOutcome::added());
  EXPECT_EQ(copy("hello", kNow, "org.gnome.TextEditor"), RecordOutcome::added());
}

// Text that is not UTF-8 is recorded with replacement characters, and matched again as such.
TEST_F(ClipStoreTest, CopyingAgainMovesTheEntryToTheFrontRemovingAndClearingSparePinned) {
  EXPECT_EQ(copy("caf\xe9 au lait", kNow), RecordOutcome::added());
  copy("second", kNow + 1);
  store.setPinned(store.items()[1].id, true);
  const ClipItem before = store.items()[1];
  EXPECT_EQ(copy("caf\xe9 au lait", kNow + 2), RecordOutcome::movedToTop());
  ASSERT_EQ(texts(), (std::vector<std::string>{"caf\xEF\xBF\xBD au lait", "second"}));
  EXPECT_EQ(store.items()[0].id, before.id);
  EXPECT_TRUE(store.items()[0].pinned);
  EXPECT_EQ(store.items()[0].date, at(kNow + 2));
  copy("third", kNow + 3, "org.gnome.TextEditor");
  EXPECT_NE(store.items()[0].id, store.items()[1].id);
  EXPECT_EQ(store.items()[0].sourceBundle, "org.gnome.TextEditor");
  EXPECT_EQ(ClipStore::fromJson(store.toJson()).items(), store.items());

  // Removing one entry, clearing all but the pinned ones, then all.
  store.remove(store.items()[0].id);
  EXPECT_EQ(texts(), (std::vector<std::string>{"caf\xEF\xBF\xBD au lait", "second"}));
  store.clear(false);
  EXPECT_EQ(texts(), std::vector<std::string>{"caf\xEF\xBF\xBD au lait"});
  store.clear(true);
  EXPECT_TRUE(store.items().empty());
}

TEST_F(ClipStoreTest, PruneByCountAndAgeSparesPinnedEntries) {
  policy.maxItems = 2;
  copy("old pinned", kNow - 31 * kDay);
  store.setPinned(store.items()[0].id, true);
  copy("old", kNow - 31 * kDay);
  copy("recent", kNow - 29 * kDay);
  copy("c", kNow);
  copy("d", kNow + 1);
  EXPECT_EQ(texts(), (std::vector<std::string>{"d", "c", "old pinned"}));
}

TEST_F(ClipStoreTest, ExtremePolicyNumbersDoNotOverflow) {
  copy("ancient", 0);
  copy("pinned", 0);
  store.setPinned(store.items()[0].id, true);
  policy.maxAgeDays = INT64_MAX;
  store.prune(at(kNow), policy);
  EXPECT_EQ(store.items().size(), 2u);
  policy.maxAgeDays = INT64_MIN;
  store.prune(at(kNow), policy);
  EXPECT_EQ(texts(), std::vector<std::string>{"pinned"});
  copy("fresh");
  policy.maxAgeDays = 30;
  policy.maxItems = -5;
  store.prune(at(kNow), policy);
  EXPECT_EQ(texts(), std::vector<std::string>{"pinned"});
}

// Every word in any order and case; pinned first, then earlier, shorter, newer.
TEST_F(ClipStoreTest, SearchMatchesEveryWordAndRanks) {
  copy("an apple pie", kNow);           // occurrence at 3
  copy("apple tart with cream", kNow);  // at 0, longer
  copy("apple tart", kNow);             // at 0, shorter
  copy("apple, red", kNow - 10);        // same length as "apple tart", older
  copy("pinned: apple", kNow - 20 * kDay);
  store.setPinned(store.items()[0].id, true);
  EXPECT_EQ(texts(store.search("apple", 10)),
            (std::vector<std::string>{"pinned: apple", "apple tart", "apple, red",
                                      "apple tart with cream", "an apple pie"}));
  EXPECT_EQ(store.search("apple", 2).size(), 2u);
  EXPECT_EQ(texts(store.search("  TART apple ", 10)),
            (std::vector<std::string>{"apple tart", "apple tart with cream"}));
  EXPECT_TRUE(store.search("apple tart 2025", 10).empty());
  // An empty query lists pinned entries first, then the rest as stored.
  EXPECT_EQ(texts(store.search(" ", 3)),
            (std::vector<std::string>{"pinned: apple", "apple, red", "apple tart"}));
}

// The history's file, clips.json.
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
