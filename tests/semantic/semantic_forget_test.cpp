#include <gtest/gtest.h>

#include <set>

#include "semantic/semantic_store.h"

namespace quorvale {
namespace {

TEST(SemanticForgetTest, FilesThatLeftTheIndexLeaveTheNearestFiles) {
  SemanticStore store(std::nullopt, "model", 2);
  const std::vector<float> nearQuery{1, 0};
  for (const char* path : {"/gone/a", "/kept/b", "/gone/c"}) store.upsert(path, nearQuery);
  ASSERT_EQ(store.nearest(nearQuery, 10, 0).size(), 3U);  // fills the search's cache

  const std::set<std::string> indexed{"/kept/b"};
  EXPECT_EQ(store.removeUnless([&](const std::string& path) { return indexed.contains(path); }),
            2U);
  EXPECT_EQ(store.nearest(nearQuery, 10, 0),
            (std::vector<SemanticStore::Neighbour>{{.path = "/kept/b", .similarity = 1}}));
  EXPECT_EQ(store.removeUnless([](const std::string&) { return true; }), 0U);
  EXPECT_EQ(store.count(), 1);
}

}  // namespace
}  // namespace quorvale
