#include "passages/passage_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "passages/passage_store_opening.h"
#include "passages/vector_quantizer.h"
#include "support/passage_chunks.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

using testing::TempDir;

using testing::passageChunk;

class PassageStoreTest : public ::testing::Test {
 protected:
  PassageStore store{std::nullopt};

  void add(const std::string& path, const std::vector<std::string>& texts) {
    store.upsert(path, 10, 100, testing::passageChunks(texts), false);
  }
};

TEST_F(PassageStoreTest, UpsertSkipsCurrentFiles) {
  ASSERT_TRUE(store.upsert("/d/a.txt", 10.0, 100, {passageChunk(0, "alpha beta")}, false));
  EXPECT_FALSE(store.needsIndexing("/d/a.txt", 10.0005, 100));
  EXPECT_FALSE(store.upsert("/d/a.txt", 10.0005, 100, {passageChunk(0, "other")}, false));
  EXPECT_TRUE(store.needsIndexing("/d/a.txt", 10.0, 101));
  EXPECT_TRUE(store.upsert("/d/a.txt", 10.01, 100,
                           {passageChunk(0, "gamma"), passageChunk(1, "delta")}, true));
  EXPECT_EQ(store.fileInfo("/d/a.txt"),
            (PassageStore::FileInfo{.chunkCount = 2, .truncated = true}));
  EXPECT_TRUE(store.matchChunkIDs("alpha", 10).empty());
  EXPECT_EQ(store.matchChunkIDs("delta", 10).size(), 1u);
  EXPECT_EQ(store.count(), 2);
}

TEST(PassageStoreFileTest, OlderChunkerVersionNeedsIndexing) {
  TempDir dir;
  {
    PassageStore store(dir / "passages.db");
    store.upsert("/d/a.txt", 10.0, 100, {passageChunk(0, "alpha")}, false);
  }
  std::string message;
  sql::Connection raw = sql::Connection::open(dir / "passages.db", SQLITE_OPEN_READWRITE, message);
  ASSERT_EQ(raw.exec("UPDATE file SET chunker_version = 0"), SQLITE_OK);
  PassageStore store(dir / "passages.db");
  EXPECT_TRUE(store.needsIndexing("/d/a.txt", 10.0, 100));
  EXPECT_GT(store.diskBytes(), 0);
  EXPECT_TRUE(store.quickCheck());
}

TEST_F(PassageStoreTest, RemovalCascadesToTextAndVectors) {
  add("/docs", {"folder row"});
  add("/docs/a/b.pdf", {"lease terms", "rent due"});
  add("/docs2/c.pdf", {"lease renewal"});
  for (int64_t id : store.matchChunkIDs("lease OR rent OR folder", 10)) {
    store.storeVectors("m", {{.chunkID = id, .vector = {1, 0}}});
  }
  EXPECT_EQ(store.vectorCount("m"), 4);

  store.removeTree("/docs///");
  EXPECT_EQ(store.allPaths(), std::vector<std::string>{"/docs2/c.pdf"});
  EXPECT_EQ(store.count(), 1);
  EXPECT_EQ(store.vectorCount("m"), 1);
  EXPECT_EQ(store.matchChunkIDs("rent OR folder", 10).size(), 0u);
  EXPECT_TRUE(store.quickCheck());

  store.remove("/docs2/c.pdf");
  EXPECT_EQ(store.fileCount(), 0);
  EXPECT_EQ(store.vectorCount("m"), 0);
  EXPECT_EQ(store.denseSnapshot("m"), nullptr);
}

TEST_F(PassageStoreTest, ChunksComeBackWithTheirText) {
  PassageChunk chunk = passageChunk(0, "the boiler service");
  chunk.page = 3;
  chunk.heading = "Maintenance";
  store.upsert("/d/m.pdf", 1, 1, {chunk}, false);
  std::vector<int64_t> ids = store.matchChunkIDs("\"boiler\"", 10);
  ASSERT_EQ(ids.size(), 1u);
  EXPECT_EQ(store.chunks(ids), (std::vector{StoredChunk{.id = ids[0],
                                                        .path = "/d/m.pdf",
                                                        .seq = 0,
                                                        .start = 0,
                                                        .end = 50,
                                                        .page = 3,
                                                        .heading = "Maintenance",
                                                        .snippet = chunk.snippet,
                                                        .text = chunk.text}}));
}

TEST(VectorQuantizerTest, QuantizesWithAPerVectorScale) {
  QuantizedVector q = VectorQuantizer::quantize(std::vector<float>{0.5f, -1.0f, 0.25f});
  EXPECT_FLOAT_EQ(q.scale, 1.0f / 127.0f);
  EXPECT_EQ(q.bytes, (std::vector<int8_t>{64, -127, 32}));
  for (std::vector<float> zero :
       {std::vector<float>{0, 0, 0},
        std::vector<float>{1, std::numeric_limits<float>::infinity(), 0},
        std::vector<float>{1, std::numeric_limits<float>::quiet_NaN(), 0}}) {
    QuantizedVector z = VectorQuantizer::quantize(zero);
    EXPECT_EQ(z.scale, 0.0f);
    EXPECT_EQ(z.bytes, (std::vector<int8_t>{0, 0, 0}));
  }
}

TEST_F(PassageStoreTest, VectorsForMissingChunksOrOfAnotherLengthAreLeftOut) {
  add("/d/a.txt", {"one", "two", "three"});
  std::vector<int64_t> ids = store.matchChunkIDs("one OR two OR three", 10);
  std::sort(ids.begin(), ids.end());
  store.storeVectors("m", {{.chunkID = ids[0], .vector = {1, 0, 0}},
                           {.chunkID = ids[1], .vector = {0, 1}},
                           {.chunkID = ids[2], .vector = {0, 0, 1}},
                           {.chunkID = 9999, .vector = {1, 1, 1}}});
  EXPECT_EQ(store.vectorCount("m"), 3);
  std::shared_ptr<const DenseIndex> dense = store.denseSnapshot("m");
  ASSERT_NE(dense, nullptr);
  EXPECT_EQ(dense->dimension(), 3u);
  EXPECT_EQ(dense->ids(), (std::vector<int64_t>{ids[0], ids[2]}));
  EXPECT_EQ(store.denseSnapshot("m"), dense);  // cached until the next write
  EXPECT_EQ(store.denseSnapshot("other"), nullptr);
  EXPECT_EQ(store.chunksWithoutVectors("m", 10).size(), 0u);
  EXPECT_EQ(store.chunksWithoutVectors("other", 2),
            (std::vector<PassageStore::ChunkText>{{ids[0], "one"}, {ids[1], "two"}}));
}

TEST(PassageStoreOpeningTest, GarbageIsSetAsideNotOverwritten) {
  TempDir dir;
  const std::string path = dir / "passages.db";
  const std::string garbage(8192, 'x');
  testing::writeFile(path, garbage);
  OpenedPassageStore opened = openPassageStore(path);
  ASSERT_TRUE(opened.setAside.has_value());
  EXPECT_EQ(testing::readFile(*opened.setAside), garbage);
  ASSERT_NE(opened.store, nullptr);
  EXPECT_TRUE(opened.store->quickCheck());
  EXPECT_TRUE(opened.store->upsert("/a.txt", 1, 1, {passageChunk(0, "fresh")}, false));

  OpenedPassageStore again = openPassageStore(path);
  EXPECT_FALSE(again.setAside.has_value());
  EXPECT_EQ(again.store->fileCount(), 1);
}

}  // namespace
}  // namespace quorvale
