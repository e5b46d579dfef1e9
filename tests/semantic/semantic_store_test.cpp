#include "semantic/semantic_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "semantic/hybrid_search.h"
#include "semantic/unit_quantizer.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

using Neighbour = SemanticStore::Neighbour;

std::vector<float> vector4(float a, float b, float c, float d) {
  return {a, b, c, d};
}

TEST(UnitQuantizerTest, ScalesUnitVectorsTo127AndRefusesThoseWithoutLength) {
  EXPECT_EQ(Quantizer::quantize(vector4(3, 4, 0, 0)),
            (std::vector<int8_t>{76, 102, 0, 0}));  // 0.6 * 127 = 76.2, 0.8 * 127 = 101.6
  EXPECT_EQ(Quantizer::quantize(vector4(-1, 0, 0, 0)), (std::vector<int8_t>{-127, 0, 0, 0}));
  for (const std::vector<float>& none :
       {std::vector<float>{}, vector4(0, 0, 0, 0), vector4(std::nanf(""), 1, 0, 0),
        vector4(std::numeric_limits<float>::infinity(), 0, 0, 0)}) {
    EXPECT_FALSE(Quantizer::quantize(none));
  }
  std::vector<int8_t> unit = *Quantizer::quantize(vector4(1, 0, 0, 0));
  EXPECT_DOUBLE_EQ(Quantizer::dot(unit, unit), 1.0);
}

TEST(SemanticStoreTest, ReopeningWithAnotherModelOrDimensionEmptiesTheVectors) {
  testing::TempDir dir;
  std::string path = dir / "semantic.db";
  {
    SemanticStore store(path, "model-a", 4);
    store.upsert("/a", vector4(1, 0, 0, 0));
  }
  EXPECT_EQ(SemanticStore(path, "model-a", 4).count(), 1);
  {
    SemanticStore store(path, "model-b", 4);
    EXPECT_EQ(store.count(), 0);
    store.upsert("/b", vector4(0, 1, 0, 0));
    EXPECT_TRUE(store.has("/b"));
  }
  EXPECT_EQ(SemanticStore(path, "model-b", 8).count(), 0);
}

TEST(SemanticStoreTest, NearestRanksByCosineAndIgnoresVectorsItCannotUse) {
  SemanticStore store(std::nullopt, "m", 4);
  store.upsert("/x", vector4(1, 0, 0, 0));
  store.upsert("/xy", vector4(1, 1, 0, 0));
  store.upsert("/y", vector4(0, 1, 0, 0));
  store.upsert("/zero", vector4(0, 0, 0, 0));        // never stored
  store.upsert("/short", std::vector<float>{1, 0});  // wrong dimension, ignored
  EXPECT_EQ(store.count(), 3);

  std::vector<Neighbour> near = store.nearest(vector4(2, 0, 0, 0), 2, 0);
  ASSERT_EQ(testing::mapped(near, &Neighbour::path), (std::vector<std::string>{"/x", "/xy"}));
  EXPECT_NEAR(near[0].similarity, 1.0, 1e-9);
  EXPECT_NEAR(near[1].similarity, 0.707, 0.01);
  EXPECT_EQ(store.nearest(vector4(1, 0, 0, 0), 5, 0.5).size(), 2u);
  EXPECT_TRUE(store.nearest(vector4(0, 0, 0, 0), 5, 0).empty());

  // A write drops the in-memory copy: the next search sees it.
  store.remove("/x");
  EXPECT_EQ(store.nearest(vector4(1, 0, 0, 0), 1, 0).at(0).path, "/xy");
  store.clear();
  EXPECT_TRUE(store.nearest(vector4(1, 0, 0, 0), 1, 0).empty());
}

TEST(SemanticForgetTest, FilesThatLeftTheIndexLeaveTheNearestFiles) {
  SemanticStore store(std::nullopt, "model", 2);
  const std::vector<float> nearQuery{1, 0};
  for (const char* path : {"/gone/a", "/kept/b", "/gone/c"}) store.upsert(path, nearQuery);
  ASSERT_EQ(store.nearest(nearQuery, 10, 0).size(), 3U);  // fills the search's cache

  EXPECT_EQ(store.removeUnless([](const std::string& path) { return path == "/kept/b"; }), 2U);
  EXPECT_EQ(store.nearest(nearQuery, 10, 0),
            (std::vector<SemanticStore::Neighbour>{{.path = "/kept/b", .similarity = 1}}));
  EXPECT_EQ(store.removeUnless([](const std::string&) { return true; }), 0U);
  EXPECT_EQ(store.count(), 1);
}

Hit hit(const std::string& path, double score = 1) {
  return {.record = FileRecord::make({.path = path}), .score = score, .matchedName = true};
}

TEST(HybridSearchTest, FusesRanksWithTheMeaningWeightAboveTheSimilarityFloor) {
  auto lookup = [](const std::string& path) -> std::optional<FileRecord> {
    if (path == "/unknown") return std::nullopt;
    return FileRecord::make({.path = path});
  };
  std::vector<Hit> lexical = {hit("/both"), hit("/words")};
  std::vector<Neighbour> semantic = {
      {"/meaning", 0.40}, {"/both", 0.9}, {"/faint", 0.37}, {"/unknown", 0.95}};
  std::vector<Hit> fused = HybridSearch::fuse(
      lexical, semantic, lookup, {.limit = 10, .semanticWeight = 0.6, .minSimilarity = 0.38});
  ASSERT_EQ(testing::mapped(fused, [](const Hit& hit) { return hit.record.path; }),
            (std::vector<std::string>{"/both", "/words", "/meaning"}));
  EXPECT_DOUBLE_EQ(fused[0].score, 1.0 / 60 + 0.6 / 61);
  EXPECT_DOUBLE_EQ(fused[1].score, 1.0 / 61);
  EXPECT_DOUBLE_EQ(fused[2].score, 0.01);
  EXPECT_FALSE(fused[2].matchedName);
}

}  // namespace
}  // namespace quorvale
