#include "quick/snippets.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace quorvale {
namespace {

// 2024-03-05 09:07:30 in UTC.
constexpr quick::Seconds kMarchFifth = 1709629650;
const quick::LocalZone kUtc{"UTC"};

class SnippetSearch : public ::testing::Test {
 protected:
  const std::vector<Snippet> snippets_{
      Snippet::make("signature", "Mail signature", ""),
      Snippet::make("sig", "Short sign-off", ""),
      Snippet::make("addr", "Home address", ""),
      Snippet::make("Addr2", "Work address", ""),
      Snippet::make("zip", "Postal code of the address", ""),
  };

  std::vector<std::string> search(std::string_view query, std::size_t limit = 10) const {
    return testing::mapped(SnippetEngine::search(query, snippets_, limit), &Snippet::keyword);
  }
};

TEST_F(SnippetSearch, ExactBeforePrefixBeforeNameTiesAsStoredUpToTheLimit) {
  EXPECT_EQ(search("sig"), (std::vector<std::string>{"sig", "signature"}));
  EXPECT_EQ(search("  SIG "), (std::vector<std::string>{"sig", "signature"}));
  EXPECT_EQ(search("sign"), (std::vector<std::string>{"signature", "sig"}));
  // "Addr2" sorts before "addr" as stored, but "addr" is an exact match.
  EXPECT_EQ(search("addr"), (std::vector<std::string>{"addr", "Addr2", "zip"}));
  EXPECT_EQ(search("address"), (std::vector<std::string>{"Addr2", "addr", "zip"}));
  EXPECT_EQ(search("address", 2), (std::vector<std::string>{"Addr2", "addr"}));
  EXPECT_TRUE(search("address", 0).empty());
  // One character (e + combining accent too), and no match.
  for (const char* query : {"a", "e\u0301", "nothing here"}) {
    EXPECT_TRUE(search(query).empty()) << query;
  }
}

struct Expansion {
  std::string text;
  std::optional<std::string> clipboard;
  std::string expanded;
};

class SnippetExpand : public ::testing::TestWithParam<Expansion> {};

TEST_P(SnippetExpand, InOrder) {
  const Expansion& e = GetParam();
  EXPECT_EQ(SnippetEngine::expand(e.text, e.clipboard, kMarchFifth, kUtc), e.expanded) << e.text;
}

INSTANTIATE_TEST_SUITE_P(Table, SnippetExpand,
                         ::testing::Values(Expansion{"Today is {date} at {time}", std::nullopt,
                                                     "Today is 2024-03-05 at 09:07"},
                                           Expansion{"[{clipboard}]", std::nullopt, "[]"},
                                           Expansion{"[{clipboard}]", "{date} and {clipboard}",
                                                     "[{date} and {clipboard}]"},
                                           Expansion{"{DATE} {date", std::nullopt, "{DATE} {date"},
                                           Expansion{"{{date}}", std::nullopt, "{2024-03-05}"}));

TEST(SnippetExpand, InTheGivenZoneAndNotForAnUnwritableMoment) {
  EXPECT_EQ(SnippetEngine::expand("{datetime}", std::nullopt, kMarchFifth,
                                  quick::LocalZone{"Asia/Tokyo"}),
            "2024-03-05 18:07");
  EXPECT_EQ(SnippetEngine::expand("{date}", std::nullopt, kMarchFifth,
                                  quick::LocalZone{"Pacific/Honolulu"}),
            "2024-03-04");
  EXPECT_EQ(SnippetEngine::expand("{date}", std::nullopt, 1e300, kUtc), "{date}");
}

}  // namespace
}  // namespace quorvale
