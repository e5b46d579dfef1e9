// The search engine's keystroke side: one search from the typed text to the rows (quick answers,
// files, clips, web searches, the question answer), the shown hits with hidden and vanished
// files left out, and the use of a chosen file recorded on the index queue.
#include <unicode/calendar.h>

#include <algorithm>

#include "index/query_parser.h"
#include "query/smart_search.h"
#include "query/suggester.h"
#include "search_engine.h"
#include "util/unicode.h"

namespace quorvale {

std::vector<Suggestion> SearchEngine::search(std::string_view query,
                                             const QuorvaleSettings& settings,
                                             const std::optional<std::string>& clipboardText) {
  return search(query, settings, clipboardText, clips_);
}

std::vector<Suggestion> SearchEngine::search(std::string_view query,
                                             const QuorvaleSettings& settings,
                                             const std::optional<std::string>& clipboardText,
                                             const ClipStore& clips) {
  std::lock_guard lock(searchMutex_);
  std::string trimmed = unicode::trimmed(query);
  // A leading "?" asks a question explicitly.
  bool explicitQuestion = trimmed.starts_with("?");
  std::string text = explicitQuestion ? unicode::trimmed(trimmed.substr(1)) : std::string(query);
  Date now = this->now();

  Suggester::Environment environment = Suggester::Environment::current();
  if (!services_.home.empty()) environment.home = services_.home;
  std::vector<RunningApp> running;
  if (SystemCommands::needsRunningApps(text) && services_.runningApps) {
    running = services_.runningApps();
  }
  Suggester::Answers answers = Suggester::answer(text, running, now, environment);

  // A clipboard query searches no files.
  std::unique_ptr<icu::Calendar> calendar = QueryParser::currentCalendar();
  Query parsed =
      calendar && !answers.clipboardQuery ? QueryParser::parse(text, now, *calendar) : Query{};

  std::vector<Hit> hits;
  std::optional<std::string> note;
  if (!parsed.isEmpty()) {
    SmartResult result =
        searchFiles(parsed, text, settings.shownResultLimit() * 2, now, answers.letFilesLoosen());
    note = Suggester::noteFor(text, result);
    hits = withMeaning(parsed, std::move(result.hits), settings);
  }

  std::vector<Hit> shown = shownHits(std::move(hits), settings);
  std::vector<Suggestion> rows = Suggester::build({.text = text,
                                                   .answers = std::move(answers),
                                                   .fileHits = shown,
                                                   .clips = clips,
                                                   .snippets = settings.snippets,
                                                   .webSearches = settings.webSearches,
                                                   .clipboardText = clipboardText,
                                                   .note = std::move(note),
                                                   .fallbacks = settings.fallbackKeywords,
                                                   .limit = settings.shownResultLimit(),
                                                   .now = now,
                                                   .environment = std::move(environment)});
  return withAnswer(std::move(rows), text, explicitQuestion, settings);
}

SmartResult SearchEngine::searchFiles(const Query& parsed, const std::string& text, int limit,
                                      Date now, bool loosen) {
  std::shared_ptr<FileIndex> reader = currentReader();
  SmartResult result =
      SmartSearch::search(parsed, text, *reader, {.limit = limit, .now = now, .loosen = loosen});
  // SQLite said the file is damaged: check it thoroughly in the background.
  if (reader->damageSeen() && !verifyPosted_.exchange(true)) {
    queue_.post([this] { verifyIndex(false, lastScanSettings()); });
  }
  return result;
}

std::vector<Hit> SearchEngine::shownHits(std::vector<Hit> hits, const QuorvaleSettings& settings) {
  if (!settings.hiddenResults.empty()) {
    std::erase_if(hits, [&](const Hit& hit) {
      return std::ranges::find(settings.hiddenResults, hit.record.path) !=
             settings.hiddenResults.end();
    });
  }
  StaleResults::Split split = StaleResults::split(
      hits, services_.fileExists,
      [](const std::string& path) { return StaleResults::volumeIsConnected(path); });
  if (!split.gone.empty()) {
    queue_.post([this, gone = std::move(split.gone)] {
      for (const auto& path : gone) {
        try {
          writer_->remove(path);
        } catch (const IndexError&) {
        }
      }
    });
  }
  return std::move(split.live);
}

void SearchEngine::recordUse(const std::string& query, const std::string& path) {
  Date at = now();
  queue_.post([this, query, path, at] {
    try {
      writer_->recordUse(path, at);
      if (!query.empty()) writer_->recordChoice(query, path, at);
    } catch (const IndexError&) {
    }
  });
}

}  // namespace quorvale
