#include "clipboard/clip_store.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

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
    std::vector<std::string> result;
    for (const ClipItem& item : items) result.push_back(item.text);
    return result;
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
TEST_F(ClipStoreTest, CopyingAgainMovesTheEntryToTheFrontNewOnesGetFreshIds) {
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

TEST_F(ClipStoreTest, PinRemoveAndClear) {
  copy("a", kNow);
  copy("b", kNow + 1);
  copy("c", kNow + 2);
  store.setPinned(store.items()[2].id, true);
  store.remove(store.items()[0].id);
  EXPECT_EQ(texts(), (std::vector<std::string>{"b", "a"}));
  store.clear(false);
  EXPECT_EQ(texts(), std::vector<std::string>{"a"});
  store.clear(true);
  EXPECT_TRUE(store.items().empty());
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

}  // namespace
}  // namespace quorvale
