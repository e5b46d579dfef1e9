// Arbitrary text into every quick answer at once: commands with damaged arguments, invalid
// UTF-8, control characters, placeholders and percent signs. Nothing may crash, hang or throw.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "quick/quick_tools.h"
#include "quick/snippets.h"
#include "quick/system_commands.h"
#include "settings/web_search.h"

namespace quorvale {
namespace {

const std::vector<std::string> kPieces{
    "uuid",        "b64",   "base64 d ",   "unbase64 ", "urlencode ", "urldecode ", "%",
    "%z",          "%C3",   "md5 ",        "unix ",     "epoch ",     "1e308",      "-",
    "+",           "0x",    "2024-02-29 ", "25:61",     "camel ",     "slug ",      "title ",
    "pw ",         "#",     "rgb(",        ",",         "999",        "{query}",    "{date}",
    "{clipboard}", "quit ", "force quit ", "kill ",     "settings ",  "g ",         " ",
    "\t",          "\n",    "\r\n",        "\xff",      "\xc3",       "\xe2\x82",   "\xed\xa0\x80",
    std::string("\0", 1),          "é",     "e\u0301",     "ß",         "İ",          "🇫🇷",         "٣",
    "日本",
};

std::string hostileText(std::mt19937_64& random) {
  std::string text;
  const std::size_t pieces = random() % 8;
  for (std::size_t i = 0; i < pieces; ++i) text += kPieces[random() % kPieces.size()];
  return text;
}

void answerEverything(const std::string& text, int round, const std::vector<Snippet>& snippets,
                      const std::vector<RunningApp>& running) {
  const quick::LocalZone zone{round % 2 ? "Nowhere/Unknown" : ""};
  const double nows[] = {-1e300, 0, 1e300, std::nan(""), 1700000000};
  (void)QuickTools::answer(text, nows[round % 5], quick::secureRandomSource(), zone);
  (void)WebSearch::resolve(text, WebSearch::defaults());
  (void)WebSearch{.keyword = "k", .name = "n", .url = text, .ask = false}.urlFor(text);
  (void)SystemCommands::needsRunningApps(text);
  (void)SystemCommands::commands(text, running);
  (void)SystemCommands::panes(text);
  for (const Snippet& s : SnippetEngine::search(text, snippets, 3)) {
    (void)SnippetEngine::expand(s.text, text, 1e12, zone);
  }
  (void)SnippetEngine::expand(text, std::nullopt, 0, zone);
}

TEST(HostileText, EveryAnswerCopesWithArbitraryText) {
  std::mt19937_64 random(20240305);
  const std::vector<Snippet> snippets{
      Snippet::make("sig", "Signature {date}", "{clipboard}{datetime}"),
      Snippet::make("\xff", "\xc3", "{time}\xff"),
  };
  const std::vector<RunningApp> running{{"Safari", "safari"}, {"\xff\xfe", "broken"}};
  for (int round = 0; round < 3000; ++round) {
    const std::string text = hostileText(random);
    EXPECT_NO_THROW(answerEverything(text, round, snippets, running)) << text;
  }
}

}  // namespace
}  // namespace quorvale
