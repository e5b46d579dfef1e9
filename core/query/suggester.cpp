#include "query/suggester.h"

#include <algorithm>
#include <chrono>

#include "quick/calculator.h"
#include "quick/quick_tools.h"
#include "quick/typed_text.h"
#include "util/platform_profile.h"
#include "util/unicode.h"
#include "util/xdg_paths.h"

namespace quorvale::Suggester {
namespace {

constexpr std::size_t kClipTitleCharacters = 90;
constexpr std::size_t kPreviewCharacters = 70;

Date secondsSince1970(ClipDate date) {
  return std::chrono::duration<double>(date.time_since_epoch()).count();
}

std::vector<Suggestion> clipRows(std::string_view query, const ClipStore& clips, int limit,
                                 Date now) {
  std::vector<Suggestion> rows;
  for (ClipItem& item : clips.search(query, static_cast<std::size_t>(std::max(limit, 0)))) {
    std::string title = oneLine(item.text, kClipTitleCharacters);
    std::string subtitle =
        std::string(item.pinned ? "Pinned, " : "") + relative(secondsSince1970(item.date), now);
    rows.push_back(
        {"clip-" + item.id, std::move(title), std::move(subtitle), Payload::clip(std::move(item))});
  }
  if (!rows.empty()) return rows;
  if (query.empty()) {
    rows.push_back({"hint-clip", "Nothing in clipboard history",
                    "Copy something and it appears here", Payload::hint()});
  } else {
    rows.push_back({"hint-clip", "No match for “" + std::string(query) + "”", "", Payload::hint()});
  }
  return rows;
}

std::string rowTitle(const WebSearch& search) {
  return std::string(search.verb()) + " " + search.name;
}

// "ask" and a question: one row per assistant that makes an address of the question. The text
// is split once at its first space; the question is the rest as it stands.
std::vector<Suggestion> assistantRows(std::string_view text,
                                      std::span<const WebSearch> webSearches) {
  const std::size_t space = text.find(' ');
  if (space == std::string_view::npos || space == 0 || space + 1 >= text.size()) return {};
  if (!typed::equalsIgnoringCase(text.substr(0, space), "ask")) return {};
  const std::string_view question = text.substr(space + 1);
  std::vector<Suggestion> rows;
  std::vector<std::string_view> keywords;
  for (const WebSearch& search : webSearches) {
    if (!search.ask) continue;
    // Two entries with one keyword (a hand-edited settings file) would give two rows one id.
    if (std::ranges::any_of(keywords, [&](std::string_view keyword) {
          return typed::equalsIgnoringCase(keyword, search.keyword);
        })) {
      continue;
    }
    auto url = search.urlFor(question);
    if (!url) continue;
    keywords.push_back(search.keyword);
    rows.push_back({"ask-" + search.keyword, "Ask " + search.name, std::string(question),
                    Payload::webSearch(std::move(*url))});
  }
  return rows;
}

std::optional<Suggestion> toolRow(std::optional<QuickTool> tool) {
  if (!tool) return std::nullopt;
  Payload payload =
      tool->copy.empty() ? Payload::hint() : Payload::calculation(std::move(tool->copy));
  return Suggestion{.id = tool->secret ? "tool-secret" : "tool",
                    .title = std::move(tool->title),
                    .subtitle = std::move(tool->subtitle),
                    .payload = std::move(payload)};
}

// System commands, then at most three settings pages.
std::vector<Suggestion> commandRows(std::string_view text,
                                    std::vector<SystemCommands::Command> commands) {
  std::vector<Suggestion> rows;
  for (SystemCommands::Command& command : commands) {
    rows.push_back({"sys-" + command.id, std::move(command.title), std::move(command.subtitle),
                    Payload::system(command.id)});
  }
  std::vector<SystemCommands::Pane> panes = SystemCommands::panes(text);
  if (panes.size() > kMostPanes) panes.resize(kMostPanes);
  for (SystemCommands::Pane& pane : panes) {
    rows.push_back({"pane-" + pane.url, "Open Settings: " + pane.title,
                    std::string(platformProfile().settingsApp),
                    Payload::webSearch(std::move(pane.url))});
  }
  return rows;
}

Suggestion fileRow(const FileRecord& record, const std::optional<std::string>& home) {
  return {"file-" + record.path, record.name, abbreviatedPath(record.path, home),
          Payload::file(record)};
}

// Web searches of the whole text, one per fallback keyword that names a configured entry.
std::vector<Suggestion> fallbackRows(std::string_view text, std::span<const WebSearch> webSearches,
                                     std::span<const std::string> fallbacks) {
  std::vector<Suggestion> rows;
  std::vector<std::string_view> used;
  for (const std::string& keyword : fallbacks) {
    const auto sameKeyword = [&](std::string_view other) {
      return typed::equalsIgnoringCase(other, keyword);
    };
    // A keyword listed twice would give two rows one id.
    if (std::ranges::any_of(used, sameKeyword)) continue;
    const auto search = std::ranges::find_if(
        webSearches, [&](const WebSearch& entry) { return sameKeyword(entry.keyword); });
    if (search == webSearches.end()) continue;
    auto url = search->urlFor(text);
    if (!url) continue;
    used.push_back(keyword);
    rows.push_back({"fallback" + keyword, rowTitle(*search), oneLine(text, kPreviewCharacters),
                    Payload::webSearch(std::move(*url))});
  }
  return rows;
}

void append(std::vector<Suggestion>& rows, std::vector<Suggestion>&& more) {
  std::move(more.begin(), more.end(), std::back_inserter(rows));
}

// The two lines are shown and printed as text, but file names and typed text may hold bytes that
// are not UTF-8: those read as U+FFFD there. Ids and payloads keep the bytes as they are.
std::vector<Suggestion> displayable(std::vector<Suggestion> rows) {
  for (Suggestion& row : rows) {
    if (!unicode::isValidUtf8(row.title)) row.title = unicode::toValidUtf8(row.title);
    if (!unicode::isValidUtf8(row.subtitle)) row.subtitle = unicode::toValidUtf8(row.subtitle);
  }
  return rows;
}

}  // namespace

Environment Environment::current() {
  Environment environment;
  environment.home = xdg::home();
  return environment;
}

Answers answer(std::string_view input, std::span<const RunningApp> running, Date now,
               const Environment& environment) {
  if (auto query = clipboardQuery(input)) return {.clipboardQuery = std::move(query)};
  const std::string_view text = unicode::trimmedSpaces(input);
  const quick::RandomSource random =
      environment.random ? environment.random : quick::secureRandomSource();
  return {.tool = QuickTools::answer(text, now, random, environment.zone),
          .commands = SystemCommands::commands(text, running)};
}

std::vector<Suggestion> build(const Inputs& inputs) {
  const Date now = inputs.now;
  const Environment& environment = inputs.environment;
  if (inputs.answers.clipboardQuery) {
    return displayable(clipRows(*inputs.answers.clipboardQuery, inputs.clips, inputs.limit, now));
  }

  const std::string_view text = unicode::trimmedSpaces(inputs.text);
  if (text.empty()) return {};
  const std::span<const WebSearch> webSearches = inputs.webSearches;
  const std::span<const Hit> fileHits = inputs.fileHits;

  Sections sections;
  std::vector<Suggestion>& leading = sections.leading;
  if (auto result = Calculator::evaluate(text)) {
    leading.push_back(
        {"calc", result->display, "Press Return to copy", Payload::calculation(result->display)});
  }

  bool madeWebRow = false;
  if (auto resolved = WebSearch::resolve(text, webSearches)) {
    // The words are what `resolve` searched for: everything after the first space.
    const std::string_view words = text.substr(text.find(' ') + 1);
    leading.push_back({"web-" + resolved->search.keyword, rowTitle(resolved->search),
                       std::string(words), Payload::webSearch(std::move(resolved->url))});
    madeWebRow = true;
  }
  std::vector<Suggestion> asked = assistantRows(text, webSearches);
  madeWebRow = madeWebRow || !asked.empty();
  append(leading, std::move(asked));

  const std::vector<Snippet> matched = SnippetEngine::search(text, inputs.snippets, kMostSnippets);
  // Made only for a snippet to expand: the clipboard may hold a lot of text.
  const std::optional<std::string> clipboardText =
      matched.empty() || !inputs.clipboardText ? std::nullopt
                                               : std::optional<std::string>(*inputs.clipboardText);
  for (const Snippet& snippet : matched) {
    std::string expanded =
        SnippetEngine::expand(snippet.text, clipboardText, now, environment.zone);
    leading.push_back({"snip-" + snippet.id, snippet.name,
                       "Snippet: " + oneLine(expanded, kPreviewCharacters),
                       Payload::snippet(std::move(expanded))});
  }

  sections.tool = toolRow(inputs.answers.tool);
  sections.commands = commandRows(text, inputs.answers.commands);
  if (inputs.note && !fileHits.empty())
    sections.note = Suggestion{"hint-note", *inputs.note, "", Payload::hint()};
  for (const Hit& hit : fileHits) sections.files.push_back(fileRow(hit.record, environment.home));
  sections.topFileByName = !fileHits.empty() && fileHits.front().matchedName;

  // Fallbacks only when nothing more specific than files and snippets answered the text.
  const bool calculated =
      std::ranges::any_of(leading, [](const Suggestion& row) { return row.id == "calc"; });
  if (!madeWebRow && !sections.tool && sections.commands.empty() && !calculated &&
      typed::hasAtLeastCharacters(unicode::trimmedWhitespace(text), kShortestFallbackText)) {
    sections.fallbacks = fallbackRows(text, webSearches, inputs.fallbacks);
  }
  return displayable(arrange(std::move(sections), inputs.limit));
}

std::vector<Suggestion> arrange(Sections sections, int limit) {
  std::vector<Suggestion> rows = std::move(sections.leading);
  const bool byName = sections.topFileByName && !sections.files.empty();
  if (!byName) {
    append(rows, std::move(sections.commands));
    if (sections.tool) rows.push_back(std::move(*sections.tool));
  }
  if (sections.note) rows.push_back(std::move(*sections.note));
  // A top file that matched by name keeps the first places below the leading rows, and so does
  // the file after it.
  const std::size_t heldBackAfter = std::min<std::size_t>(2, sections.files.size());
  for (std::size_t i = 0; i < sections.files.size(); ++i) {
    rows.push_back(std::move(sections.files[i]));
    if (byName && i + 1 == heldBackAfter) {
      if (sections.tool) rows.push_back(std::move(*sections.tool));
      append(rows, std::move(sections.commands));
    }
  }

  const long long room =
      static_cast<long long>(limit) - static_cast<long long>(sections.fallbacks.size());
  const auto kept = static_cast<std::size_t>(std::max<long long>(1, room));
  if (rows.size() > kept) rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(kept), rows.end());
  append(rows, std::move(sections.fallbacks));
  // The one cut of the list: fallback rows that do not fit give way to the others.
  const auto shown = static_cast<std::size_t>(std::max(1, limit));
  if (rows.size() > shown)
    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(shown), rows.end());
  return rows;
}

}  // namespace quorvale::Suggester
