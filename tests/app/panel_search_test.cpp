#include "panel/panel_search.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <set>

#include "desktop_fakes.h"
#include "util/main_executor.h"

namespace quorvale {
namespace {

using namespace std::chrono_literals;

// A search on the worker whose texts can be held back until the test lets them go. Each text
// answers one row named after it.
class FakeSearch {
 public:
  LatestSearch::Job job(const std::string& query) {
    return [this, query] {
      std::unique_lock lock(mutex_);
      started_.push_back(query);
      changed_.notify_all();
      changed_.wait(lock, [&] { return !held_.contains(query); });
      if (query == "boom") throw std::runtime_error("damaged");
      return std::vector<Suggestion>{testing::fileRow("/h/" + query + ".txt")};
    };
  }
  void hold(const std::string& query) {
    std::lock_guard lock(mutex_);
    held_.insert(query);
  }
  void release(const std::string& query) {
    std::lock_guard lock(mutex_);
    held_.erase(query);
    changed_.notify_all();
  }
  void waitStarted(const std::string& query) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return std::ranges::count(started_, query) > 0; });
  }
  std::vector<std::string> started() {
    std::lock_guard lock(mutex_);
    return started_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::set<std::string> held_;
  std::vector<std::string> started_;
};

class PanelSearchTest : public ::testing::Test {
 protected:
  PanelSearchTest() {
    model.activate = [this](const Suggestion& row, Modifiers) { activated.push_back(row.title); };
  }
  ~PanelSearchTest() override {
    for (const char* query : {"a", "ab", "abc", "boom"}) fake.release(query);
  }

  // Runs the main loop until the model shows the rows of its current text.
  bool settled() {
    return main.runUntil([&] { return !model.awaitingRows(); }, 5s);
  }
  std::string firstTitle() { return model.items().empty() ? "" : model.items().front().title; }

  MainExecutor main;
  FakeSearch fake;
  PanelModel model;
  PanelSearch search{model, main, [this](const std::string& query) { return fake.job(query); }};
  std::vector<std::string> activated;
};

TEST_F(PanelSearchTest, ANewerTextReplacesOneNotStartedAndDropsTheRowsOfOneRunning) {
  fake.hold("a");
  model.setQuery("a");
  fake.waitStarted("a");
  model.setQuery("ab");   // waits behind "a"
  model.setQuery("abc");  // replaces "ab", which never runs
  fake.release("a");
  ASSERT_TRUE(settled());
  EXPECT_EQ(firstTitle(), "abc.txt");
  EXPECT_EQ(fake.started(), (std::vector<std::string>{"a", "abc"}));
  // The rows of "a" were dropped, not shown on the way: nothing is left to deliver.
  main.runPending();
  EXPECT_EQ(firstTitle(), "abc.txt");
}

TEST_F(PanelSearchTest, KeysWaitWithoutBlockingWhenTheRowsAreSlow) {
  model.setQuery("a");
  ASSERT_TRUE(settled());
  fake.hold("ab");
  model.setQuery("ab");
  model.move(1);
  model.runSelected({});  // both outlast the bounded wait and act once the rows arrive
  EXPECT_TRUE(activated.empty());
  fake.release("ab");
  ASSERT_TRUE(settled());
  EXPECT_EQ(activated, std::vector<std::string>{"ab.txt"});  // one row: the move wrapped to it

  // A key waiting for rows is dropped when more is typed: it belonged to the older text.
  fake.hold("abc");
  model.setQuery("abc");
  model.runSelected({});
  model.setQuery("ab");
  fake.release("abc");
  ASSERT_TRUE(settled());
  EXPECT_EQ(firstTitle(), "ab.txt");
  EXPECT_EQ(activated, std::vector<std::string>{"ab.txt"});
}

TEST_F(PanelSearchTest, AFailedSearchShowsNoRowsAndResetShowsNone) {
  model.setQuery("a");
  ASSERT_TRUE(settled());
  model.setQuery("boom");
  ASSERT_TRUE(settled());
  EXPECT_TRUE(model.items().empty());

  model.setQuery("a");
  model.reset();
  main.runUntil([] { return false; }, 50ms);
  EXPECT_TRUE(model.items().empty());
  EXPECT_FALSE(model.awaitingRows());
}

}  // namespace
}  // namespace quorvale
