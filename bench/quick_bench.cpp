// Cost of the quick answers that run on every keystroke, on texts a user types into the panel:
// ordinary words and file names (which every quick answer must reject cheaply), arithmetic and
// unit conversions. Each benchmark reports the cost of one text; "AllTexts" runs the whole set
// and reports the mean cost per text.
//
//   quorvale_quick_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <array>
#include <string_view>

#include "quick/calculator.h"
#include "quick/units.h"

namespace {

constexpr std::array<std::string_view, 24> kTypedTexts = {
    // Words, names and questions.
    "f", "fire", "firefox", "meeting notes", "invoice 2024.pdf", "~/Documents/report",
    "how do I reset my password", "uuid", "5 kg to m",
    // Arithmetic.
    "12*(3+4)", "15% of 80", "200 + 7.5%", "sqrt(2)", "1,234 + 1", "2pi", "1/3", "round(1.25, 1)",
    "5!",
    // Conversions.
    "5 km to mi", "100 f to c", "convert 3.5 cups in ml", "20 gib as mb", "1 fl oz to ml",
    "98.6 \u00b0F to \u00b0C"};

void evaluate(benchmark::State& state) {
  std::string_view text = kTypedTexts[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(std::string(text));
  for (auto _ : state) benchmark::DoNotOptimize(quorvale::Calculator::evaluate(text));
}

void convert(benchmark::State& state) {
  std::string_view text = kTypedTexts[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(std::string(text));
  for (auto _ : state) benchmark::DoNotOptimize(quorvale::Units::convert(text));
}

void evaluateAllTexts(benchmark::State& state) {
  for (auto _ : state) {
    for (std::string_view text : kTypedTexts) {
      benchmark::DoNotOptimize(quorvale::Calculator::evaluate(text));
    }
  }
  // Seconds per text, printed with an SI prefix ("2.5u" is 2.5 microseconds).
  state.counters["per_text"] = benchmark::Counter(
      static_cast<double>(kTypedTexts.size()),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void everyText(benchmark::internal::Benchmark* bench) {
  for (std::size_t i = 0; i < kTypedTexts.size(); ++i) bench->Arg(static_cast<int64_t>(i));
}

}  // namespace

BENCHMARK(evaluate)->Name("Calculator/evaluate")->Apply(everyText);
BENCHMARK(convert)->Name("Units/convert")->Apply(everyText);
BENCHMARK(evaluateAllTexts)->Name("Calculator/evaluate/AllTexts");

BENCHMARK_MAIN();
