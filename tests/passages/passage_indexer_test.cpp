#include "passages/passage_indexer.h"

#include <gtest/gtest.h>

#include <tuple>

#include "passages/passage_embed_pass.h"
#include "support/fake_embedder.h"
#include "support/passage_chunks.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

using testing::TempDir;

const EnergyPolicy::Verdict kRun = EnergyPolicy::Run{};
const EnergyPolicy::Verdict kLowBattery = EnergyPolicy::AppsOnly{"Indexing paused to save battery"};

class PassageIndexerTest : public ::testing::Test {
 protected:
  // A document on disk and in the file index, modified at `modified`.
  std::string addDocument(const std::string& name, const std::string& text, Date modified) {
    std::string path = dir / name;
    testing::writeFile(path, text);
    files.upsert(
        FileRecord::make(
            {.path = path, .size = static_cast<int64_t>(text.size()), .modified = modified}),
        std::nullopt, {});
    return path;
  }

  PassageIndexer::Summary catchUp(PassageIndexer::Limits limits = {.pauseSeconds = 0},
                                  EnergyPolicy::Verdict verdict = kRun,
                                  PassagePass::ShouldStop stop = nullptr) {
    PassageIndexer indexer(store, guard, limits);
    return indexer.catchUp(
        files, stop, [verdict] { return verdict; },
        [this](const std::string& text) { progress.push_back(text); });
  }

  TempDir dir;
  FileIndex files{std::nullopt};
  PassageStore store{std::nullopt};
  ExtractionGuard guard;
  std::vector<std::string> progress;
};

TEST_F(PassageIndexerTest, StoresChangedDocumentsOnceAndForgetsThoseThatLeftTheIndex) {
  std::string notes = addDocument("notes.md", "# Notice\nThe notice period is three months.", 100);
  std::string empty = addDocument("empty.txt", "   ", 200);
  addDocument("photo.jpg", "not a document", 300);

  PassageIndexer::Summary first = catchUp();
  EXPECT_EQ(first, (PassageIndexer::Summary{
                       .written = 1, .examined = 2, .empty = 1, .offered = 2, .stoppedFor = {}}));
  EXPECT_EQ(store.fileInfo(notes), (PassageStore::FileInfo{.chunkCount = 1, .truncated = false}));
  // Read once and found empty: stored without passages, so it is not read again.
  EXPECT_EQ(store.fileInfo(empty), (PassageStore::FileInfo{.chunkCount = 0, .truncated = false}));

  PassageIndexer::Summary again = catchUp();
  EXPECT_EQ(again.written, 0);
  EXPECT_EQ(again.empty, 0);

  files.remove(notes);
  catchUp();
  EXPECT_EQ(store.allPaths(), std::vector<std::string>{empty});
}

TEST_F(PassageIndexerTest, ConsidersOnlyTheNewestFilesAndReportsProgressEveryTwenty) {
  for (int i = 0; i < 45; ++i) {
    addDocument("doc" + std::to_string(i) + ".txt", "words of document " + std::to_string(i), i);
  }
  PassageIndexer::Summary summary = catchUp({.maxFiles = 40, .pauseSeconds = 0});
  EXPECT_EQ(summary.offered, 45);
  EXPECT_EQ(summary.examined, 40);
  EXPECT_FALSE(store.fileInfo(dir / "doc4.txt"));
  EXPECT_TRUE(store.fileInfo(dir / "doc5.txt"));
  EXPECT_EQ(progress, (std::vector<std::string>{"Reading documents: 20 of 40",
                                                "Reading documents: 40 of 40"}));
}

TEST_F(PassageIndexerTest, StopsBeforeAnyFileForEachReason) {
  addDocument("a.txt", "alpha words here", 1);
  // The reason given, and the limits, energy verdict and caller's wish that lead to it.
  const std::tuple<const char*, PassageIndexer::Limits, EnergyPolicy::Verdict, bool> cases[] = {
      {"stopped", {.pauseSeconds = 0}, kRun, true},
      {"paused to save battery or cool down", {.pauseSeconds = 0}, kLowBattery, false},
      {"reached the disk limit", {.maxBytes = 0, .pauseSeconds = 0}, kRun, false},
  };
  for (const auto& [reason, limits, verdict, stop] : cases) {
    PassageIndexer::Summary summary = catchUp(limits, verdict, [stop = stop] { return stop; });
    EXPECT_EQ(summary.stoppedFor, reason);
    EXPECT_EQ(summary.examined, 0) << reason;
    EXPECT_EQ(store.fileCount(), 0) << reason;
  }
}

class EmbedPassTest : public PassageIndexerTest {
 protected:
  // One document of the given passages.
  void addPassages(const std::vector<std::string>& texts) {
    store.upsert(dir / "doc.md", 1, 1, testing::passageChunks(texts), false);
  }

  PassageEmbedPass::Result run(EnergyPolicy::Verdict verdict = kRun, bool stop = false) {
    return PassageEmbedPass::run(
        store, encoder, 32, [stop] { return stop; }, [verdict] { return verdict; },
        [this](const std::string& text) { progress.push_back(text); });
  }

  testing::FakeEmbedder encoder;
};

TEST_F(EmbedPassTest, AnEncoderThatGivesNothingForOneTextStillStoresTheOthers) {
  std::vector<std::string> texts;
  for (int i = 0; i < 40; ++i) texts.push_back("passage number " + std::to_string(i));
  texts[3] = "an unembeddable passage";
  addPassages(texts);

  PassageEmbedPass::Result result = run();
  EXPECT_EQ(result, (PassageEmbedPass::Result{.embedded = 40, .remaining = 0, .stoppedFor = {}}));
  EXPECT_EQ(store.vectorCount(encoder.identifier()), 40);
  EXPECT_EQ(progress,
            (std::vector<std::string>{"Embedded 32 of 40 passages", "Embedded 40 of 40 passages"}));
  // The passage that gave nothing keeps a zero vector and is not tried again.
  int calls = encoder.calls;
  EXPECT_EQ(run().embedded, 0);
  EXPECT_EQ(encoder.calls, calls);
}

TEST_F(EmbedPassTest, StopsForTheCallerAndTheEnergyPolicyWithPassagesLeft) {
  std::vector<std::string> texts(40, "some passage words");
  addPassages(texts);
  EXPECT_EQ(run(kLowBattery),
            (PassageEmbedPass::Result{
                .embedded = 0, .remaining = 40, .stoppedFor = "Indexing paused to save battery"}));
  EXPECT_EQ(run(kRun, true),
            (PassageEmbedPass::Result{.embedded = 0, .remaining = 40, .stoppedFor = "stopped"}));
}

TEST(PassageReaderTest, ASearchConnectionSeesVectorsTheWriterStoredSince) {
  TempDir dir;
  PassageStore writer(dir / "passages.db");
  PassageStore reader(dir / "passages.db");
  const PassageChunk chunk = testing::passageChunk(0, "words");
  writer.upsert("/a.md", 1, 1, {chunk}, false);
  writer.upsert("/b.md", 1, 1, {chunk}, false);
  std::vector<PassageStore::ChunkText> pending = writer.chunksWithoutVectors("m", 2);
  writer.storeVectors("m", {{.chunkID = pending[0].id, .vector = {1, 0}}});
  ASSERT_EQ(reader.denseSnapshot("m")->count(), 1u);

  writer.storeVectors("m", {{.chunkID = pending[1].id, .vector = {0, 1}}});
  EXPECT_EQ(reader.denseSnapshot("m")->count(), 2u);
  writer.clearVectors();
  EXPECT_EQ(reader.denseSnapshot("m"), nullptr);
}

}  // namespace
}  // namespace quorvale
