#include "settings/settings_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/platform_profile.h"

namespace quorvale {
namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kSnippetId = "0f8fad5b-d9cb-469f-a165-70867728950e";

Json snippetJson(const char* id = kSnippetId) {
  return Json{{"id", id}, {"keyword", "sig"}, {"name", "Signature"}, {"text", "Best, {date}"}};
}

TEST(SettingsCodec, RoundTripsEveryField) {
  QuorvaleSettings settings;
  settings.hotKey = {0, 4096};
  settings.roots = {"~/Projects"};
  settings.excludedPaths = {"/tmp"};
  settings.hiddenResults = {"/home/u/secret.txt"};
  settings.indexContents = false;
  settings.semanticSearch = true;
  settings.clipboard.enabled = true;
  settings.clipboard.maxItems = 5;
  settings.clipboard.ignoredBundles = {"org.example.Vault"};
  settings.setupVersion = 1;
  settings.questionSearch = true;
  settings.modelAllowsExpensiveNetwork = true;
  settings.webSearches = {
      WebSearch{.keyword = "x", .name = "X", .url = "https://x.example/?q={query}", .ask = true}};
  settings.webSearchesVersion = 3;
  settings.fallbackKeywords = {"x"};
  settings.snippets = {Snippet{
      .id = "0F8FAD5B-D9CB-469F-A165-70867728950E", .keyword = "k", .name = "n", .text = "t"}};
  settings.showMenuBarIcon = false;
  settings.resultLimit = 12;
  const Json json = encodeSettings(settings);
  DecodedSettings decoded = decodeSettingsText(json.dump());
  EXPECT_EQ(decoded.settings, settings);
  // The stored form of the two nested records other programs may read.
  EXPECT_EQ(json["hotKey"].dump(), R"({"keyCode":0,"modifiers":4096})");
  EXPECT_EQ(json["snippets"][0].dump(),
            R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","keyword":"k","name":"n","text":"t"})");
  EXPECT_EQ(decoded.droppedSnippets, std::nullopt);
}

TEST(SettingsCodec, WebSearchesMigrateOnlyFromOlderVersions) {
  // Version 1 keeps the user's entries (with no "ask" key then) and adds the missing defaults.
  Json stored = {
      {"webSearchesVersion", 1},
      {"webSearches",
       Json::array(
           {{{"keyword", "G"}, {"name", "Mine"}, {"url", "https://mine.example/?q={query}"}}})}};
  QuorvaleSettings settings = decodeSettings(stored).settings;
  EXPECT_EQ(settings.webSearchesVersion, 2);
  std::vector<WebSearch> expected{
      {.keyword = "G", .name = "Mine", .url = "https://mine.example/?q={query}", .ask = false}};
  for (const WebSearch& s : WebSearch::defaults()) {
    if (s.keyword != "g") expected.push_back(s);  // the user's "G" stands in for it
  }
  EXPECT_EQ(settings.webSearches, expected);
  for (int version : {2, 7}) {
    stored = {{"webSearchesVersion", version}, {"webSearches", Json::array()}};
    EXPECT_TRUE(decodeSettings(stored).settings.webSearches.empty());
    EXPECT_EQ(decodeSettings(stored).settings.webSearchesVersion, version);
  }
  QuorvaleSettings ancient = decodeSettings(Json{{"webSearchesVersion", -5000000000LL}}).settings;
  EXPECT_EQ(ancient.webSearchesVersion, 2);
  EXPECT_EQ(ancient.webSearches, WebSearch::defaults());
}

struct WrongType {
  const char* key;
  Json value;
};

TEST(SettingsCodec, AWrongTypeInAnyFieldOrNonJsonFailsTheWholeRecord) {
  // One case per kind of field; the fuzz target feeds the decoder everything else.
  const std::vector<WrongType> cases{
      {"hotKey", Json{{"keyCode", 4294967296LL}, {"modifiers", 2048}}},
      {"roots", "~/Documents"},
      {"roots", Json::array({"~/Documents", 7})},
      {"clipboard", Json{{"maxItems", 1.5}}},
      {"webSearches", Json::array({{{"keyword", "x"}, {"name", "X"}}})},
      {"resultLimit", 1e300},
  };
  for (const WrongType& c : cases) {
    Json stored = {{"resultLimit", 9}};
    stored[c.key] = c.value;
    EXPECT_THROW(decodeSettings(stored), SettingsDecodeError) << c.key << " = " << c.value.dump();
  }
  for (const char* text : {"[]", "{\"roots\":[\"a\"]"}) {
    EXPECT_THROW(decodeSettingsText(text), SettingsDecodeError) << text;
  }
}

// Unknown keys and nulls are ignored; keys a record from an older version lacks take defaults.
// The result limit is clamped only when saved.
TEST(SettingsCodec, UnknownNullAndMissingKeys) {
  const std::string stored =
      R"({"futureOption":{"nested":true},"roots":null,"hotKey":{"keyCode":4294967295,)"
      R"("modifiers":6144},"clipboard":{"enabled":true,"maxItems":50,"laterKey":1}})";
  QuorvaleSettings expected;
  expected.hotKey = {4294967295u, 6144};  // all thirty-two bits
  expected.clipboard.enabled = true;
  expected.clipboard.maxItems = 50;
  EXPECT_EQ(decodeSettingsText(stored).settings, expected);
  EXPECT_EQ(decodeSettings(Json{{"resultLimit", -1}}).settings.resultLimit, -1);
  EXPECT_EQ(decodeSettingsText("{\"resultLimit\":1e12}").settings.resultLimit, 1000000000000LL);
}

TEST(SettingsCodec, BrokenSnippetsFailAloneAndAreReported) {
  Json missingKey = snippetJson();
  missingKey.erase("text");
  const std::vector<Json> broken{
      Json::array({snippetJson(), missingKey}),
      Json::array({snippetJson("0f8fad5b-d9cb-469f-a165-70867728950")}),
      Json{{"sig", "Best"}},
  };
  for (const Json& snippets : broken) {
    Json stored = {{"snippets", snippets}, {"roots", {"~/Work"}}, {"resultLimit", 4}};
    DecodedSettings decoded = decodeSettings(stored);
    EXPECT_TRUE(decoded.settings.snippets.empty()) << snippets.dump();
    EXPECT_TRUE(decoded.droppedSnippets.has_value()) << snippets.dump();
    EXPECT_EQ(decoded.settings.roots, std::vector<std::string>{"~/Work"});
    EXPECT_EQ(decoded.settings.resultLimit, 4);
  }
  DecodedSettings fine = decodeSettings(Json{{"snippets", Json::array({snippetJson()})}});
  ASSERT_EQ(fine.settings.snippets.size(), 1u);
  EXPECT_EQ(fine.settings.snippets[0].id, "0F8FAD5B-D9CB-469F-A165-70867728950E");
}

}  // namespace
}  // namespace quorvale
