#include "settings/web_search.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace quorvale {
namespace {

WebSearch search(std::string keyword, std::string url, bool ask = false) {
  return WebSearch{
      .keyword = std::move(keyword), .name = "Name", .url = std::move(url), .ask = ask};
}

TEST(WebSearch, UrlForEncodesTheWordsAllowedInAQueryIntoAWebAddress) {
  const std::string ex = "https://example.com/s?q={query}";
  struct Case {
    std::string url, words;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {ex, "  crème brûlée \n", "https://example.com/s?q=crème%20brûlée"},
      {ex, "a&b=c", "https://example.com/s?q=a%26b%3Dc"},
      {ex, "a+b/c?#%", "https://example.com/s?q=a%2Bb%2Fc%3F%23%25"},
      {ex, "😀", "https://example.com/s?q=%F0%9F%98%80"},
      {ex, " \n\t", std::nullopt},
      {ex, "bad \xff utf8", std::nullopt},
      {"HTTPS://example.com/{query}/{query}", "a", "HTTPS://example.com/a/a"},
  };
  for (const Case& c : cases) EXPECT_EQ(search("x", c.url).urlFor(c.words), c.expected) << c.words;
  // Templates that make no web address.
  for (const char* url :
       {"https://example.com/s?q=", "ftp://example.com/{query}", "javascript:alert({query})",
        "file:///tmp/{query}", "https:///s?q={query}", "https://example.com/s q={query}",
        "example.com/?q={query}", "https://example.com/\x01{query}",
        "https://exa\xffmple.com/{query}"}) {
    EXPECT_FALSE(search("x", url).urlFor("words")) << url;
  }
  // Every default makes one.
  for (const WebSearch& s : WebSearch::defaults()) {
    EXPECT_EQ(s.urlFor("two words"), s.url.substr(0, s.url.find("{query}")) + "two%20words")
        << s.keyword;
  }
}

TEST(WebSearch, Resolve) {
  const std::vector<WebSearch> searches{
      search("broken", "ftp://example.com/{query}"),
      search("broken", "https://fallback.example/{query}"),
      search("g", "https://www.google.com/search?q={query}"),
  };
  const auto resolved = WebSearch::resolve("G cats and dogs", searches);
  ASSERT_TRUE(resolved);
  EXPECT_EQ(resolved->search, searches[2]);
  EXPECT_EQ(resolved->url, "https://www.google.com/search?q=cats%20and%20dogs");
  EXPECT_EQ(WebSearch::resolve("  g  x ", searches)->url,
            "https://www.google.com/search?q=%20x");  // words as they stand
  EXPECT_EQ(WebSearch::resolve("broken x", searches)->search, searches[1]);

  for (const char* text : {"gcats", "g", "g ", " g   ", "", "cats g", "x cats"}) {
    EXPECT_FALSE(WebSearch::resolve(text, searches)) << text;
  }
  EXPECT_FALSE(WebSearch::resolve("g cats", {}));
}

TEST(WebSearch, NewEntryChecksInOrder) {
  const std::vector<WebSearch> existing{search("g", "https://www.google.com/search?q={query}")};
  auto problem = [&](std::string_view keyword, std::string url) {
    const auto result = WebSearch::newEntry(keyword, "Name", std::move(url), false, existing);
    return std::holds_alternative<std::string>(result) ? std::get<std::string>(result) : "";
  };
  const std::string good = "https://example.com/?q={query}";
  EXPECT_EQ(problem("two words", "ftp://x"), WebSearch::kKeywordNotOneWord);
  EXPECT_EQ(problem("tab\there", good), WebSearch::kKeywordNotOneWord);
  EXPECT_EQ(problem(" G ", "ftp://x"), WebSearch::kKeywordUsed);
  EXPECT_EQ(problem("ex", "http://example.com/?q={query}"), WebSearch::kAddressInvalid);
  EXPECT_EQ(problem("ex", "https://example.com/?q="), WebSearch::kAddressInvalid);
  EXPECT_EQ(problem("ex", good), "");

  const auto added = WebSearch::newEntry("  ex ", "Example", good, true, existing);
  EXPECT_EQ(std::get<WebSearch>(added),
            (WebSearch{.keyword = "ex", .name = "Example", .url = good, .ask = true}));
}

TEST(PercentEncoding, Decoding) {
  EXPECT_EQ(percentDecoded("a%20b%c3%A9+"), "a bé+");
  EXPECT_FALSE(percentDecoded("%zz"));
  EXPECT_FALSE(percentDecoded("%2"));
  EXPECT_FALSE(percentDecoded("%ff"));
  EXPECT_EQ(percentEncoded("a b", urlUnreserved), "a%20b");
  EXPECT_FALSE(percentEncoded("\xc3", urlUnreserved));
}

}  // namespace
}  // namespace quorvale
