// What one keystroke costs in row building once the file hits are found: Suggester::build with
// 16 file hits, a clipboard history of 200 items, 50 snippets, the default web searches and
// fallback keywords, for typical texts (a file word, a sum, an assistant question, a clipboard
// query, a snippet keyword, a quick tool, a system command). Each text is its own benchmark;
// repetitions report the median.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "query/suggester.h"
#include "support/snippets.h"

namespace quorvale {
namespace {

constexpr Date kNow = 1'700'000'000;

const std::vector<std::string> kTexts{
    "report", "2+3", "ask why", "clip rep", "sig", "uuid", "lock", "quarterly report final",
};

std::vector<Hit> sixteenHits() {
  std::vector<Hit> hits;
  for (int i = 0; i < 16; ++i) {
    const std::string path = "/home/user/Documents/Work/Reports/report " + std::to_string(i) +
                             (i % 3 == 0 ? ".pdf" : ".md");
    hits.push_back({FileRecord::make({.path = path, .size = 4096, .modified = kNow - 3600 * i}),
                    100.0 - i, i < 4});
  }
  return hits;
}

// Short copies, a few sentences, and now and then a long paste.
ClipStore twoHundredClips() {
  std::vector<ClipItem> items;
  for (int i = 0; i < 200; ++i) {
    std::string text;
    switch (i % 4) {
      case 0:
        text = "https://example.com/page/" + std::to_string(i);
        break;
      case 1:
        text = "Meeting notes " + std::to_string(i) + ": send the report to Ann by Friday";
        break;
      case 2:
        text = "quarterly numbers\n\trevenue " + std::to_string(i * 1000) + "\n\tcosts";
        break;
      default:
        for (int line = 0; line < (i % 20 == 3 ? 40 : 2); ++line) {
          text += "Line " + std::to_string(line) + " of a longer pasted text about reports.\n";
        }
    }
    char id[37];
    std::snprintf(id, sizeof id, "00000000-0000-4000-8000-%012d", i);
    items.push_back({id, text,
                     ClipDate(std::chrono::seconds(static_cast<long long>(kNow) - 60 * i)),
                     std::nullopt, i % 50 == 0});
  }
  return ClipStore(std::move(items));
}

void BM_SuggesterBuild(benchmark::State& state) {
  const std::string& text = kTexts[static_cast<std::size_t>(state.range(0))];
  const std::vector<Hit> hits = sixteenHits();
  const ClipStore clips = twoHundredClips();
  const std::vector<Snippet> snippets = bench::fiftySnippets();
  const std::optional<std::string> clipboard = "clipboard text";
  const std::optional<std::string> note = "Also matching inside documents";
  const std::vector<RunningApp> running{{"Files", "org.gnome.Nautilus"},
                                        {"Firefox", "firefox.desktop"}};
  state.SetLabel(text);
  for (auto _ : state) {
    // The answers are part of the work: the engine works them out once per keystroke too.
    Suggester::Environment environment = Suggester::Environment::current();
    benchmark::DoNotOptimize(
        Suggester::build({.text = text,
                          .answers = Suggester::answer(text, running, kNow, environment),
                          .fileHits = hits,
                          .clips = clips,
                          .snippets = snippets,
                          .webSearches = WebSearch::defaults(),
                          .clipboardText = clipboard,
                          .note = note,
                          .fallbacks = WebSearch::defaultFallbackKeywords(),
                          .limit = 8,
                          .now = kNow,
                          .environment = std::move(environment)}));
  }
}
BENCHMARK(BM_SuggesterBuild)
    ->DenseRange(0, static_cast<int>(kTexts.size()) - 1)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace quorvale

BENCHMARK_MAIN();
