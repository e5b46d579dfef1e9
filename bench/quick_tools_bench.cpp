// What one keystroke costs in quick answers: the calculator and unit converter, the quick tools,
// keyword web searches, system commands and settings pages, and the snippet search (50 snippets,
// the matches expanded as the suggester does) for a fixed set of typed texts. Each text is its own
// benchmark, and "AllTexts" runs the whole set in one iteration.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "quick/calculator.h"
#include "quick/quick_tools.h"
#include "quick/snippets.h"
#include "quick/system_commands.h"
#include "quick/units.h"
#include "settings/web_search.h"
#include "support/snippets.h"

namespace quorvale {
namespace {

const std::vector<std::string> kTexts{
    "h",
    "rep",
    "report 2024",
    "quarterly report final draft.pdf",
    "~/Documents/notes/meeting-2024-03-05.md",
    "what is the capital of france",
    "g cats and dogs",
    "claude how do I reverse a list in python",
    "uuid 3",
    "b64 hello world",
    "base64 d aGVsbG8gd29ybGQ",
    "sha256 the quick brown fox",
    "unix 1700000000",
    "unix 2024-01-31 10:30",
    "snake MyFileName and two",
    "slug Crème Brûlée recipe",
    "pw 24",
    "#ff8800",
    "rgb(255, 128, 0)",
    "quit saf",
    "sleep",
    "settings wifi",
    "sig",
    "address",
    "crème brûlée",
    "日本語のテキスト",
    "12*(3+4)^2",
    "15% of 240",
    "sqrt(2)*pi",
    "5 km in miles",
    "72 f to c",
};

const std::vector<RunningApp> kRunning{
    {"Safari", "safari.desktop"},     {"Files", "org.gnome.Nautilus"},
    {"Firefox", "firefox.desktop"},   {"Visual Studio Code", "code.desktop"},
    {"Terminal", "terminal.desktop"},
};

// Everything the suggester asks of these components for one text.
std::size_t answerAll(const std::string& text, const std::vector<Snippet>& snippets,
                      quick::Seconds now) {
  std::size_t rows = 0;
  rows += Calculator::evaluate(text).has_value();
  rows += Units::convert(text).has_value();
  rows += QuickTools::answer(text, now).has_value();
  rows += WebSearch::resolve(text, WebSearch::defaults()).has_value();
  const std::span<const RunningApp> running = SystemCommands::needsRunningApps(text)
                                                  ? std::span<const RunningApp>(kRunning)
                                                  : std::span<const RunningApp>();
  rows += SystemCommands::commands(text, running).size();
  rows += SystemCommands::panes(text).size();
  for (const Snippet& snippet : SnippetEngine::search(text, snippets, 3)) {
    rows += SnippetEngine::expand(snippet.text, std::string("clipboard text"), now).size() > 0;
  }
  return rows;
}

void BM_QuickAnswers(benchmark::State& state) {
  const std::string& text = kTexts[static_cast<std::size_t>(state.range(0))];
  const std::vector<Snippet> snippets = bench::fiftySnippets();
  state.SetLabel(text);
  for (auto _ : state) benchmark::DoNotOptimize(answerAll(text, snippets, 1700000000.0));
}
BENCHMARK(BM_QuickAnswers)->DenseRange(0, static_cast<int>(kTexts.size()) - 1);

void BM_QuickAnswersAllTexts(benchmark::State& state) {
  const std::vector<Snippet> snippets = bench::fiftySnippets();
  for (auto _ : state) {
    for (const std::string& text : kTexts) {
      benchmark::DoNotOptimize(answerAll(text, snippets, 1700000000.0));
    }
  }
  state.counters["per_text"] =
      benchmark::Counter(static_cast<double>(state.iterations() * kTexts.size()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_QuickAnswersAllTexts);

}  // namespace
}  // namespace quorvale

BENCHMARK_MAIN();
