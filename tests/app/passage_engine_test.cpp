// The engine's passage and meaning work end to end, with a small fake encoder standing in for the
// installed model.
#include <gtest/gtest.h>

#include <atomic>

#include "engine_fixture.h"
#include "support/fake_embedder.h"

namespace quorvale {
namespace {

using testing::FakeEmbedder;
using testing::writeFile;

class PassageEngineTest : public testing::EngineTest {
 protected:
  PassageEngineTest() {
    settings.questionSearch = true;
    settings.resultLimit = 3;
  }

  EngineServices services() override {
    EngineServices result = EngineTest::services();
    result.encoder = {.identifier = encoder->identifier(),
                      .installedFolder = [this]() -> std::optional<std::string> {
                        if (!installed) return std::nullopt;
                        return dir / "data/Models/fake/model";
                      },
                      .load = [this](const std::string&) -> std::shared_ptr<const BatchEmbedder> {
                        return encoder;
                      }};
    result.passageLimits = {.pauseSeconds = 0};
    return result;
  }

  ~PassageEngineTest() override { engine_.reset(); }  // before the encoder it was given

  // Opens and starts the engine and waits for the scan and the passage pipeline after it.
  void startAndSettle() {
    open().start(settings);
    settle();
  }
  void settle() {
    engine_->waitUntilIdle();
    engine_->passageWork().waitUntilIdle();
    engine_->waitUntilIdle();
  }

  static bool anyPassageRow(const std::vector<std::string>& ids) {
    return std::any_of(ids.begin(), ids.end(),
                       [](const std::string& id) { return id.starts_with("passage-"); });
  }

  int64_t storedVectors() {
    return PassageStore(dir / "data/passages.db").vectorCount(encoder->identifier());
  }

  std::shared_ptr<FakeEmbedder> encoder = std::make_shared<FakeEmbedder>();
  std::atomic<bool> installed = false;
};

TEST_F(PassageEngineTest, RemovingTheModelLeavesQuestionsToTheWordsAndAQuestionMarkAlwaysAsks) {
  writeFile(doc("contract.md"), "The notice period is three months.");
  writeFile(doc("policy.md"), "Refunds are paid within thirty days.");
  installed = true;
  startAndSettle();
  EXPECT_EQ(storedVectors(), 2);
  int before = encoder->calls;
  EXPECT_TRUE(anyPassageRow(ids("which file mentions the notice period?")));
  EXPECT_GT(encoder->calls, before);  // the question was embedded
  EXPECT_TRUE(engine_->passageWork().encoderLoaded());

  installed = false;
  engine_->modelChanged(settings);
  settle();
  EXPECT_EQ(storedVectors(), 0);
  EXPECT_FALSE(engine_->passageWork().encoderLoaded());
  before = encoder->calls;
  EXPECT_TRUE(anyPassageRow(ids("which file mentions the notice period?")));
  EXPECT_EQ(encoder->calls, before);
  EXPECT_EQ(engine_->passageStatus(), "2 documents, 2 passages");

  // The detector alone does not take "notice period" for a question; a leading "?" does.
  EXPECT_FALSE(anyPassageRow(ids("notice period")));
  std::vector<Suggestion> rows = engine_->search("?  notice period", settings, std::nullopt);
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows.front().id, "passage-" + doc("contract.md"));
  EXPECT_EQ(rows.front().title, "contract.md");
  EXPECT_EQ(rows.front().subtitle, "The notice period is three months.");
}

// Two different words that the fake encoder maps to the same component: one means the other.
std::pair<std::string, std::string> synonyms() {
  std::hash<std::string> hash;
  std::string word = "alpaca";
  for (int i = 0;; ++i) {
    std::string other = "zq" + std::to_string(i);
    if (hash(other) % FakeEmbedder::kDimension == hash(word) % FakeEmbedder::kDimension) {
      return {word, other};
    }
  }
}

TEST_F(PassageEngineTest, FilesFoundOnlyByMeaningJoinFewWordHits) {
  auto [word, synonym] = synonyms();
  std::string content;
  for (int i = 0; i < 8; ++i) content += word + " ";
  writeFile(doc(word + ".txt"), content);
  settings.semanticSearch = true;
  settings.questionSearch = false;
  installed = true;
  startAndSettle();
  EXPECT_NE(engine_->status().find(", 1 with meaning vectors"), std::string::npos)
      << engine_->status();
  EXPECT_EQ(std::ranges::count(ids(synonym), "file-" + doc(word + ".txt")), 1);

  // Without semantic search the word search stands alone.
  settings.semanticSearch = false;
  EXPECT_EQ(std::ranges::count(ids(synonym), "file-" + doc(word + ".txt")), 0);
}

}  // namespace
}  // namespace quorvale
