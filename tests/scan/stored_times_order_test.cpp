// StoredTimes finds every path whatever order the walk asks in, against records loaded in the
// order they were written, and never reports a path it handed out as unseen (the scan would
// remove its record), repeated paths included.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "scan/stored_times.h"

namespace quorvale {
namespace {

std::vector<std::string> unseen(const StoredTimes& times) {
  std::vector<std::string> paths;
  times.forEachUnseen([&](const std::string& path) { paths.push_back(path); });
  return paths;
}

TEST(StoredTimesOrderTest, TakesInAnyOrderAndReportsTheRest) {
  struct Case {
    const char* what;
    std::vector<std::string> added;  // below /r, times 1, 2, 3... in this order
    std::vector<std::string> taken;
    std::vector<std::optional<Date>> expected;
    std::vector<std::string> unseen;
  };
  const std::vector<Case> cases = {
      {"the order written", {"a", "a/x", "b"}, {"a", "a/x", "b"}, {1, 2, 3}, {}},
      {"reversed", {"a", "a/x", "b"}, {"b", "a/x", "a"}, {3, 2, 1}, {}},
      {"a new path between", {"a", "b", "c"}, {"a", "new", "b", "c"}, {1, std::nullopt, 2, 3}, {}},
      {"a path removed", {"a", "b", "c"}, {"a", "c"}, {1, 3}, {"/r/b"}},
      {"taken twice", {"a", "b"}, {"a", "a", "b"}, {1, std::nullopt, 2}, {}},
      // In order, the first copy is met before any lookup by hash (and may give its time).
      {"a repeated path taken in order", {"a", "b", "a"}, {"a", "b"}, {1, 2}, {}},
      {"a repeated path found by hash", {"a", "b", "a"}, {"b", "a"}, {2, 3}, {}},
      {"a repeated path left", {"a", "b", "a", "c"}, {"b", "c"}, {2, 4}, {"/r/a"}},
  };
  for (const Case& c : cases) {
    StoredTimes times("/r");
    for (std::size_t i = 0; i < c.added.size(); ++i) times.add("/r/" + c.added[i], Date(i + 1));
    std::vector<std::optional<Date>> got;
    for (const std::string& path : c.taken) got.push_back(times.take("/r/" + path));
    EXPECT_EQ(got, c.expected) << c.what;
    EXPECT_EQ(unseen(times), c.unseen) << c.what;
  }
}

}  // namespace
}  // namespace quorvale
