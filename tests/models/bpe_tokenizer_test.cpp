#include "models/bpe_tokenizer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/test_support.h"

namespace quorvale {
namespace {

using testing::TempDir;
using Ids = std::vector<std::int32_t>;

std::string fixture() {
  return testing::testDataPath("models/tokenizer.json");
}

// The reference ids were produced once by an independent byte-level BPE implementation (a
// JavaScript port of the Hugging Face tokenizers) from the same tokenizer.json.
TEST(BPETokenizerTest, MatchesTheReferenceImplementation) {
  BPETokenizer tokenizer(fixture());
  auto cases = nlohmann::json::parse(
      testing::readFile(testing::testDataPath("models/tokenizer_reference.json")));
  ASSERT_FALSE(cases.empty());
  for (const auto& entry : cases) {
    auto text = entry["text"].get<std::string>();
    EXPECT_EQ(tokenizer.encodeBody(text), entry["ids"].get<Ids>()) << text;
  }
}

TEST(BPETokenizerTest, FramesAndTruncates) {
  BPETokenizer tokenizer(fixture());
  Ids frame{tokenizer.clsID(), tokenizer.sepID()};
  EXPECT_EQ(tokenizer.encode("", 256), frame);
  EXPECT_EQ(tokenizer.encode("a long enough text", 2), frame);
  EXPECT_EQ(tokenizer.encode("a long enough text", 0), frame);
  auto body = tokenizer.encodeBody("one two three four five");
  ASSERT_GT(body.size(), 3u);
  auto cut = tokenizer.encode("one two three four five", 5);
  EXPECT_THAT(
      cut, ::testing::ElementsAre(tokenizer.clsID(), body[0], body[1], body[2], tokenizer.sepID()));
  EXPECT_EQ(tokenizer.encode("one two three four five", 1000).size(), body.size() + 2);
}

// Special ids come from the added tokens, with the model's own numbers as defaults.
TEST(BPETokenizerTest, ReadsSpecialIdsAndVocabularySize) {
  TempDir dir;
  testing::writeFile(dir / "tokenizer.json",
                     R"({"added_tokens":[{"id":7,"content":"[CLS]"},{"id":9,"content":"[SEP]"}],
                         "model":{"vocab":{"a":0,"b":3},"merges":[]}})");
  auto custom = BPETokenizer::inDirectory(dir.path());
  EXPECT_EQ(custom.clsID(), 7);
  EXPECT_EQ(custom.sepID(), 9);
  EXPECT_EQ(custom.padID(), 50283);
  EXPECT_EQ(custom.vocabSize(), 10);

  testing::writeFile(dir / "tokenizer.json", R"({"model":{"vocab":{},"merges":[]}})");
  auto empty = BPETokenizer::inDirectory(dir.path());
  EXPECT_EQ(empty.clsID(), 50281);
  EXPECT_EQ(empty.unkID(), 50280);
  EXPECT_EQ(empty.vocabSize(), 1);
  EXPECT_TRUE(empty.encodeBody("bytes without symbols are dropped").empty());
}

// Merges in both forms ("a b" and ["a", "b"]) keep their ranks; malformed ones are skipped.
TEST(BPETokenizerTest, SkipsMalformedMergesAndAddedTokens) {
  TempDir dir;
  testing::writeFile(dir / "tokenizer.json", R"({
    "added_tokens": [{"content": "", "id": 20}, {"id": 21}, {"content": "zz"},
                     {"content": "<x>", "id": 1.5}, 5, {"content": "<y>", "id": 22}],
    "model": {"vocab": {"a": 0, "b": 1, "c": 2, "ab": 3, "abc": 4, "bc": 5},
              "merges": ["a b", "a", " b", "a ", "q b", ["b"], ["b", "c", "d"], 7, ["b", "c"],
                         "ab c"]}})");
  BPETokenizer tokenizer(dir / "tokenizer.json");
  // "a b" (rank 0) applies before "b c" (rank 8), then "ab c" (rank 9).
  EXPECT_EQ(tokenizer.encodeBody("abc"), (Ids{4}));
  // Without "a", "b c" applies.
  EXPECT_EQ(tokenizer.encodeBody("bc"), (Ids{5}));
  EXPECT_EQ(tokenizer.encodeBody("<y>"), (Ids{22}));
  EXPECT_EQ(tokenizer.vocabSize(), 23);
}

// The fuzz target feeds the parser damaged files; these are the refusals it cannot judge.
TEST(BPETokenizerTest, RefusesStructurallyBrokenFiles) {
  const std::vector<std::pair<const char*, std::string>> files = {
      {"not JSON", "{\"model\": "},
      {"no merges", R"({"model":{"vocab":{"a":0}}})"},
      {"vocab id beyond 32 bits", R"({"model":{"vocab":{"a":4294967296},"merges":[]}})"},
      {"added id beyond 32 bits",
       R"({"added_tokens":[{"content":"[CLS]","id":2147483648}],"model":{"vocab":{},"merges":[]}})"},
  };
  TempDir dir;
  for (const auto& [label, content] : files) {
    testing::writeFile(dir / "tokenizer.json", content);
    EXPECT_THROW(BPETokenizer(dir / "tokenizer.json"), BPETokenizer::Failure) << label;
  }
  EXPECT_THROW(BPETokenizer(dir / "absent.json"), BPETokenizer::Failure);
  EXPECT_THROW(BPETokenizer(dir.path()), BPETokenizer::Failure);
}

TEST(BPETokenizerTest, AddedTokensPreferTheLongestAndLstripStopsAtTheLastOne) {
  TempDir dir;
  testing::writeFile(dir / "tokenizer.json", R"({
    "added_tokens": [{"content": "<a>", "id": 300}, {"content": "<a><b>", "id": 301},
                     {"content": "<m>", "id": 302, "lstrip": true}],
    "model": {"vocab": {"x": 0, "Ġ": 1, "Ċ": 2}, "merges": []}})");
  BPETokenizer tokenizer(dir / "tokenizer.json");
  EXPECT_EQ(tokenizer.encodeBody("<a><b>"), (Ids{301}));
  EXPECT_EQ(tokenizer.encodeBody("<a>x"), (Ids{300, 0}));
  EXPECT_EQ(tokenizer.encodeBody("x  <m>"), (Ids{0, 302}));
  EXPECT_EQ(tokenizer.encodeBody("x \n <m>x"), (Ids{0, 302, 0}));
  EXPECT_EQ(tokenizer.encodeBody("x <a>"), (Ids{0, 1, 300}));
}

TEST(BPETokenizerTest, ReadsInvalidUtf8AsReplacementAndLongWordsInTime) {
  BPETokenizer tokenizer(fixture());
  EXPECT_EQ(tokenizer.encodeBody("\xff"), tokenizer.encodeBody("\xef\xbf\xbd"));
  EXPECT_FALSE(tokenizer.encodeBody(std::string(1000000, 'e')).empty());
}

}  // namespace
}  // namespace quorvale
