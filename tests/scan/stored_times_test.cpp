#include "scan/stored_times.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace quorvale {
namespace {

std::vector<std::string> unseen(const StoredTimes& times) {
  std::vector<std::string> paths;
  times.forEachUnseen([&](const std::string& path) { paths.push_back(path); });
  std::sort(paths.begin(), paths.end());
  return paths;
}

TEST(StoredTimes, EachPathIsTakenOnceAndTheRestAreUnseen) {
  StoredTimes times;
  times.add("/r/a", 1);
  times.add("/r/b", 2);
  times.add("/r/a/b", 3);
  times.add("/r/b", 4);  // a second row for the same path keeps the later time

  const std::pair<std::string, std::optional<Date>> cases[] = {
      {"/r/b", 4}, {"/r/b", std::nullopt}, {"/r/c", std::nullopt}, {"/r", std::nullopt}, {"", {}}};
  for (const auto& [path, expected] : cases) EXPECT_EQ(times.take(path), expected) << path;
  EXPECT_EQ(unseen(times), (std::vector<std::string>{"/r/a", "/r/a/b"}));

  times.clear();
  EXPECT_EQ(times.take("/r/a"), std::nullopt);
  EXPECT_TRUE(unseen(times).empty());
}

// A path beside the root that shares its spelling ("/home/me2" beside "/home/me") is neither
// stored nor found, and unseen paths come back whole.
TEST(StoredTimes, OnlyPathsBelowTheRootCount) {
  for (const std::string root : {"/home/me", "/home/me/", "/"}) {
    StoredTimes times(root);
    times.add("/home/me/a", 1);
    times.add("/home/me/b", 2);
    times.add("/home/me2/a", 3);
    EXPECT_EQ(times.take("/home/me2/a"), root == "/" ? std::optional<Date>(3) : std::nullopt)
        << root;
    EXPECT_EQ(times.take("/home/me/a"), 1) << root;
    EXPECT_EQ(unseen(times), std::vector<std::string>{"/home/me/b"}) << root;
  }
}

TEST(StoredTimes, KeepsEveryPathAcrossGrowth) {
  StoredTimes times;
  const int count = 5000;
  for (int i = 0; i < count; ++i) times.add("/home/files/" + std::to_string(i), i);
  for (int i = 0; i < count; i += 2) {
    ASSERT_EQ(times.take("/home/files/" + std::to_string(i)), Date(i)) << i;
  }
  std::vector<std::string> left = unseen(times);
  EXPECT_EQ(left.size(), static_cast<std::size_t>(count / 2));
  EXPECT_TRUE(std::all_of(left.begin(), left.end(), [](const std::string& path) {
    return std::stoi(path.substr(path.rfind('/') + 1)) % 2 == 1;
  }));
}

}  // namespace
}  // namespace quorvale
