// Turns the typed text and the file hits already found into the ordered list of result rows:
// clipboard-history rows for a clipboard query, or else the calculator's answer, keyword web
// searches and assistant questions, snippets, a quick-tool answer, system commands and settings
// pages, a note, the files, and fallback web searches when nothing more specific answered.
//
// The search engine calls `build` once per keystroke on the main thread and puts passage rows in
// front when the text is a question. Keeps nothing between calls; pure functions apart from what
// `Environment::current` reads (the home folder), safe on any thread.
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
#include "quick/random_text.h"
#include "quick/snippets.h"
#include "quick/system_commands.h"
#include "settings/web_search.h"

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

// The rows for the typed text, at most `limit` of them plus the fallback rows (the rows before
// the fallbacks are cut so that they and the fallbacks fill `limit`, keeping at least one).
// `fileHits` are the live hits in rank order; `fallbacks` are the keywords of the web searches
// offered when nothing else specific answers; `now` is seconds since 1970.
std::vector<Suggestion> build(std::string_view input, std::span<const Hit> fileHits,
                              const ClipStore& clips, std::span<const Snippet> snippets,
                              std::span<const WebSearch> webSearches,
                              const std::optional<std::string>& clipboardText,
                              const std::optional<std::string>& note,
                              std::span<const RunningApp> running,
                              std::span<const std::string> fallbacks, int limit, Date now,
                              const Environment& environment = Environment::current());

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
// other files. That list is cut to `limit` less the fallback rows (keeping at least one) and the
// fallback rows follow.
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
