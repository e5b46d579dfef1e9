#include "passages/passage_search.h"

#include <gtest/gtest.h>

#include <map>

#include "passages/passage_terms.h"
#include "support/passage_chunks.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

// Turns texts into fixed vectors, as a real encoder would.
class FakeEmbedder : public Embedder {
 public:
  std::map<std::string, std::vector<float>> vectors;
  std::string identifier() const override { return "fake"; }
  std::size_t dimension() const override { return 2; }
  std::optional<std::vector<float>> embed(std::string_view text) const override {
    auto found = vectors.find(std::string(text));
    if (found == vectors.end()) return std::nullopt;
    return found->second;
  }
};

class FakeWordTable : public WordTable {
 public:
  std::vector<Neighbour> neighbours(std::string_view word, int count) const override {
    if (word != "car") return {};
    std::vector<Neighbour> near = {
        {"Automobile", 0.3}, {"car", 0.1}, {"x", 0.2}, {"auto-mobile", 0.3}, {"vehicle", 0.9}};
    near.resize(std::min<std::size_t>(near.size(), static_cast<std::size_t>(count)));
    return near;
  }
};

class PassageSearchTest : public ::testing::Test {
 protected:
  PassageStore store{std::nullopt};
  PassageSearchOptions options{
      .limit = 4, .expand = true, .weakCosine = 0.8, .sureCosine = 0.82, .wordTable = nullptr};

  void add(const std::string& path, const std::vector<std::string>& texts) {
    store.upsert(path, 1, 1, testing::passageChunks(texts), false);
  }
  int64_t idOf(const std::string& word) { return store.matchChunkIDs(word, 1).at(0); }
  std::vector<std::string> paths(const PassageResult& result) {
    return testing::mapped(result.hits, &PassageHit::path);
  }
};

TEST(PassageTermsTest, Stems) {
  const std::pair<const char*, const char*> cases[] = {
      {"summaries", "summary"}, {"summary", "summary"}, {"meeting", "meet"}, {"sing", "sing"},
      {"class", "class"},       {"cats", "cat"},        {"dogs", "dog"},     {"boxes", "box"},
      {"jumped", "jump"},       {"bed", "bed"},         {"bus", "bus"}};
  for (const auto& [word, stem] : cases) EXPECT_EQ(PassageTerms::stem(word), stem) << word;
  EXPECT_EQ(PassageTerms::covered("Quarterly summaries of the meeting", {"summary", "meet"}, {}),
            2);
  EXPECT_EQ(PassageTerms::covered("the invoicing run", {"invoices", "run"}, {"invoicing run"}), 3);
}

TEST(PassageTermsTest, UserSyntaxNeverReachesTheEngineUnquoted) {
  EXPECT_EQ(PassageTerms::matchExpression({"near(", "a*b", "-rent:"}, {}),
            "\"near\" OR \"a b\" OR \"rent\"");
  EXPECT_EQ(PassageTerms::matchExpression({"lease"}, {"boiler \"service", "x"}),
            "(\"boiler service\") AND (\"x\") AND (\"boiler service\" OR \"x\" OR \"lease\")");
  EXPECT_EQ(PassageTerms::matchExpression({"**", "()"}, {"\"\""}), std::nullopt);
}

TEST_F(PassageSearchTest, StopWordsOnlyGiveTheEmptyResult) {
  add("/d/a.txt", {"what is it"});
  EXPECT_EQ(PassageSearch::search(store, "what is it?", options), PassageResult{});
  options.limit = 0;
  EXPECT_EQ(PassageSearch::search(store, "lease?", options), PassageResult{});
}

TEST_F(PassageSearchTest, UnmatchedPhraseIsDroppedAndTheResultIsWeak) {
  add("/d/a.txt", {"the boiler was serviced in 2023"});
  PassageResult result =
      PassageSearch::search(store, "where is the \"gas boiler\" serviced", options);
  EXPECT_EQ(paths(result), std::vector<std::string>{"/d/a.txt"});
  EXPECT_TRUE(result.weak);

  EXPECT_FALSE(PassageSearch::search(store, "where is the \"boiler\" 2023", options).weak);
}

TEST_F(PassageSearchTest, SecondPassageAddsATenthOfItsScore) {
  add("/d/two.txt", {"lease terms", "lease again"});
  add("/d/one.txt", {"lease alone"});
  std::vector<int64_t> ranked = store.matchChunkIDs("\"lease\"", 100);
  ASSERT_EQ(ranked.size(), 3u);
  std::map<int64_t, double> fused;
  for (std::size_t rank = 0; rank < ranked.size(); ++rank)
    fused[ranked[rank]] = 1.0 / (static_cast<double>(rank) + 60.0);

  PassageResult result = PassageSearch::search(store, "lease?", options);
  ASSERT_EQ(result.hits.size(), 2u);
  std::map<std::string, double> scores;
  for (const PassageHit& hit : result.hits) scores[hit.path] = hit.score;
  const int64_t terms = idOf("terms"), again = idOf("again"), alone = idOf("alone");
  EXPECT_DOUBLE_EQ(scores["/d/two.txt"], std::max(fused[terms], fused[again]) +
                                             0.1 * std::min(fused[terms], fused[again]));
  EXPECT_DOUBLE_EQ(scores["/d/one.txt"], fused[alone]);
}

TEST_F(PassageSearchTest, ExpansionWordsComeFromTheWordTable) {
  add("/d/a.txt", {"the automobile needs new tyres"});
  EXPECT_TRUE(PassageSearch::search(store, "where is my car?", options).hits.empty());

  FakeWordTable table;
  options.wordTable = &table;
  PassageResult result = PassageSearch::search(store, "where is my car?", options);
  EXPECT_EQ(result.expansionWords, std::vector<std::string>{"automobile"});
  ASSERT_EQ(result.hits.size(), 1u);
  EXPECT_TRUE(result.hits[0].fromExpansion);
  EXPECT_EQ(result.hits[0].highlights, (std::vector<TextRange>{{4, 14}}));
}

TEST_F(PassageSearchTest, HybridWithUnusableVectorsIsTheWordSearch) {
  add("/d/a.txt", {"lease deposit", "deposit returned"});
  add("/d/b.txt", {"lease renewal"});
  FakeEmbedder embedder;
  embedder.vectors["which file has the lease deposit"] = {1, 0};
  const PassageResult words =
      PassageSearch::search(store, "which file has the lease deposit", options);
  ASSERT_FALSE(words.hits.empty());

  // No vectors at all; then vectors of another length than the question's.
  EXPECT_EQ(
      PassageSearch::searchHybrid(store, "??which file has the lease deposit", embedder, options),
      words);
  store.storeVectors("fake", {{.chunkID = idOf("renewal"), .vector = {1, 0, 0}}});
  EXPECT_EQ(
      PassageSearch::searchHybrid(store, "which file has the lease deposit", embedder, options),
      words);
}

TEST_F(PassageSearchTest, HybridFusesMeaningAndWords) {
  // /b ranks first by words and second by meaning, /a the other way round: equal scores, so
  // the paths decide.
  add("/b.txt", {"lease lease lease"});
  add("/a.txt", {"lease and a great many other words about flats"});
  const int64_t b = idOf("\"lease\""), a = idOf("flats");
  ASSERT_NE(a, b);
  store.storeVectors("fake",
                     {{.chunkID = a, .vector = {1, 0}}, {.chunkID = b, .vector = {0.8f, 0.6f}}});
  FakeEmbedder embedder;
  // The best cosine is 0.81: enough with word coverage, not without.
  embedder.vectors["lease"] = {0.81f, -0.5864f};
  embedder.vectors["what is the boiler pressure"] = embedder.vectors["lease"];

  PassageResult result = PassageSearch::searchHybrid(store, "?lease", embedder, options);
  EXPECT_EQ(paths(result), (std::vector<std::string>{"/a.txt", "/b.txt"}));
  EXPECT_DOUBLE_EQ(result.hits[0].score, result.hits[1].score);
  EXPECT_FALSE(result.weak);

  PassageResult unrelated =
      PassageSearch::searchHybrid(store, "what is the boiler pressure", embedder, options);
  EXPECT_EQ(unrelated.hits.size(), 2u);  // by meaning alone
  EXPECT_TRUE(unrelated.weak);
  EXPECT_FALSE(unrelated.hits[0].fromExpansion);
}

TEST(PassageExcerptTest, WindowsAndHighlights) {
  Excerpt whole = PassageExcerpt::excerpt("Rent is due. \U0001F600 The rent rises.", {"rent"}, {},
                                          {"rent rises"});
  EXPECT_EQ(whole.passage, "Rent is due. \U0001F600 The rent rises.");
  EXPECT_EQ(whole.highlights, (std::vector<TextRange>{{0, 4}, {20, 24}, {20, 30}}));

  std::string filler;
  for (int i = 0; i < 60; ++i) filler += "word" + std::to_string(i) + " ";
  std::string text = filler + "the boiler service was booked " + filler;
  Excerpt window = PassageExcerpt::excerpt(text, {"boiler"}, {"booking"}, {"boiler service"});
  EXPECT_LE(window.passage.size(), 200u);
  EXPECT_NE(window.passage.find("the boiler service was booked"), std::string::npos);
  EXPECT_TRUE(window.passage.starts_with("word"));
  ASSERT_EQ(window.highlights.size(), 3u);
  const std::size_t at = window.passage.find("boiler");
  EXPECT_EQ(window.highlights[0],
            (TextRange{static_cast<int64_t>(at), static_cast<int64_t>(at) + 6}));
}

}  // namespace
}  // namespace quorvale
