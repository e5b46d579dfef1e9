// StoredTimes keeps only what follows its root: a path beside the root that shares its spelling
// ("/home/me2" beside "/home/me") is neither stored nor found, and unseen paths come back whole.
#include <gtest/gtest.h>

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

TEST(StoredTimesRoot, OnlyPathsBelowTheRootCount) {
  for (const std::string root : {"/home/me", "/home/me/"}) {
    StoredTimes times(root);
    times.add("/home/me/a", 1);
    times.add("/home/me/b", 2);
    times.add("/home/me2/a", 3);
    EXPECT_EQ(times.take("/home/me2/a"), std::nullopt) << root;
    EXPECT_EQ(times.take("/home/me/a"), 1) << root;
    EXPECT_EQ(unseen(times), std::vector<std::string>{"/home/me/b"}) << root;
  }
  StoredTimes everything("/");
  everything.add("/etc/a", 1);
  everything.add("/home/me/b", 2);
  EXPECT_EQ(everything.take("/etc/a"), 1);
  EXPECT_EQ(unseen(everything), std::vector<std::string>{"/home/me/b"});
}

}  // namespace
}  // namespace quorvale
