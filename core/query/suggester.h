// Turns the typed text and the file hits already found into the ordered list of result rows:
// clipboard-history rows for a clipboard query, or else the calculator's answer, keyword web
// searches and assistant questions, snippets, a quick-tool answer, system commands and settings
// pages, a note, the files, and fallback web searches when nothing more specific answered.
//
// The search engine calls `answer`, then the file search, `noteFor` and `build` once per
// keystroke on the main thread, and puts passage rows in front when the text is a question. Keeps
// nothing between calls; pure functions apart from what `Environment::current` reads (the home
// folder), safe on any thread.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "clipboard/clip_store.h"
#include "index/file_record.h"
#include "index/hit.h"
#include "query/suggestion.h"
#include "quick/local_dates.h"
#include "quick/quick_tool.h"
#include "quick/random_text.h"
#include "quick/snippets.h"
#include "quick/system_commands.h"
#include "settings/web_search.h"

namespace quorvale {
struct SmartResult;
}  // namespace quorvale

namespace quorvale::Suggester {

// What rows depend on besides their inputs; tests fix it.
struct Environment {
  // Paths under this folder are shown with "~" in its place; none shortens nothing.
  std::optional<std::string> home;
  // The time zone of snippet dates and quick-tool Unix times; empty means the system's own.
  quick::LocalZone zone;
  // Feeds the quick tools' UUIDs and passwords; empty means the kernel's secure generator.
  quick::RandomSource random;

  // The user's home folder, the system's zone and the secure generator.
  static Environment current();
};

// Snippet rows offered for one text.
inline constexpr std::size_t kMostSnippets = 3;
// Settings-page rows offered for one text.
inline constexpr std::size_t kMostPanes = 3;
// Texts shorter than this (in characters, trimmed) get no fallback web rows.
inline constexpr std::size_t kShortestFallbackText = 3;

// What a keystroke's rows need that does not depend on the files: worked out once, before the
// file search (a text that a quick tool or a system command answers keeps that search strict),
// and handed to `build` with the same text.
struct Answers {
  // The clipboard-history query in the text, when it is one: then there are no other rows.
  std::optional<std::string> clipboardQuery = {};
  std::optional<QuickTool> tool = {};
  std::vector<SystemCommands::Command> commands = {};

  // True when nothing more specific than files answers, so the file search may loosen.
  bool letFilesLoosen() const { return !tool && commands.empty(); }

  bool operator==(const Answers&) const = default;
};

// The answers for the typed text; `running` are the running applications that quit commands
// name, `now` is seconds since 1970 (quick tools' Unix times).
Answers answer(std::string_view input, std::span<const RunningApp> running, Date now,
               const Environment& environment = Environment::current());

// Everything one call of `build` turns into rows.
struct Inputs {
  std::string_view text = {};          // as typed
  Answers answers = {};                // `answer` of the same text
  std::span<const Hit> fileHits = {};  // the live hits in rank order
  const ClipStore& clips;
  std::span<const Snippet> snippets = {};
  std::span<const WebSearch> webSearches = {};
  std::optional<std::string_view> clipboardText = {};  // what snippets expand a clipboard field to
  std::optional<std::string> note = {};                // shown above the files, when there are any
  // The keywords of the web searches offered when nothing else specific answers.
  std::span<const std::string> fallbacks = {};
  int limit = 0;
  Date now = 0;  // seconds since 1970
  Environment environment = Environment::current();
};

// The rows for the typed text, at most `limit` of them (at least one when there are any): the
// rows before the fallback rows are cut so that they and the fallbacks fill `limit`, keeping at
// least one, and the fallback rows follow as far as `limit` allows.
std::vector<Suggestion> build(const Inputs& inputs);

// The note above the file rows for what the file search did: the text with its corrected
// spelling, or that only close matches were found; nothing when the search was plain.
std::optional<std::string> noteFor(std::string_view text, const SmartResult& result);

// The rows of one text before they are put in order: `build` makes them, `arrange` places them.
struct Sections {
  std::vector<Suggestion> leading;   // calculator, web search, assistants, snippets
  std::optional<Suggestion> tool;    // the quick-tool answer
  std::vector<Suggestion> commands;  // system commands, then settings pages
  std::optional<Suggestion> note;    // only when there are files
  std::vector<Suggestion> files;     // in rank order
  bool topFileByName = false;        // the first file hit matched by its name
  std::vector<Suggestion> fallbacks;
};

// The leading rows; then the command rows and the tool row, the note and the files, or, when the
// top file matched by name, the note, the first two files, the tool row, the command rows and the
// other files. That list is cut to `limit` less the fallback rows (keeping at least one), the
// fallback rows follow, and the whole is cut to `limit` (at least one row).
std::vector<Suggestion> arrange(Sections sections, int limit);

// The clipboard-history query in the text: "" for "clip" or "cb" alone, the rest (trimmed) for
// "clip " or "cb " followed by words, all ignoring case and surrounding spaces and tabs; nothing
// when the text is no clipboard query ("clipboard" is not one).
std::optional<std::string> clipboardQuery(std::string_view text);

// The text on one line: every run of white space becomes one space, the ends are trimmed, and a
// result longer than `max` characters keeps its first `max` - 1 followed by "…".
std::string oneLine(std::string_view text, std::size_t max);

// A short age of `date` at `now` (both seconds since 1970): "just now" below 90 seconds, then
// "12 min ago", "3 h ago", "2 d ago", each truncated.
std::string relative(Date date, Date now);

// The path with a leading `home` + "/" written as "~/"; other paths unchanged.
std::string abbreviatedPath(std::string_view path, const std::optional<std::string>& home);

}  // namespace quorvale::Suggester
