// Feeds arbitrary text, including invalid UTF-8, to every quick answer at once, as a keystroke
// does: calculator, unit converter, quick tools, web searches, system commands and snippets.
// Every call must return (no crash, hang or escaping exception), and every calculation must be
// one the panel can show: a finite value and a non-empty display, the calculator's formatting of
// that value for arithmetic.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "quick/calculator.h"
#include "quick/quick_tools.h"
#include "quick/snippets.h"
#include "quick/system_commands.h"
#include "quick/units.h"
#include "settings/web_search.h"

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

void checkAnswer(const std::optional<quorvale::CalcResult>& result) {
  if (!result) return;
  require(std::isfinite(result->value));
  require(!result->display.empty());
  if (result->kind == quorvale::CalcResult::Kind::math) {
    require(result->display == quorvale::Calculator::format(result->value));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  checkAnswer(quorvale::Calculator::evaluate(text));
  checkAnswer(quorvale::Units::convert(text));
  if (auto value = quorvale::Calculator::evaluateMath(text)) {
    require(!quorvale::Calculator::format(*value).empty());
  }
  (void)quorvale::Units::unit(text);

  using namespace quorvale;
  constexpr double kNow = 1'700'000'000;
  (void)QuickTools::answer(text, kNow);
  (void)WebSearch::resolve(text, WebSearch::defaults());
  static const std::vector<RunningApp> running{{"Files", "org.gnome.Nautilus"}};
  (void)SystemCommands::needsRunningApps(text);
  (void)SystemCommands::commands(text, running);
  (void)SystemCommands::panes(text);
  static const std::vector<Snippet> snippets{
      Snippet::make("sig", "Signature", "Regards ({date} {time})"),
      Snippet::make("cb", "Clipboard", "Pasted: {clipboard} at {datetime}")};
  for (const Snippet& snippet : SnippetEngine::search(text, snippets, 3)) {
    (void)SnippetEngine::expand(snippet.text, std::string(text), kNow);
  }
  (void)SnippetEngine::expand(text, std::string(text), kNow);
  return 0;
}
