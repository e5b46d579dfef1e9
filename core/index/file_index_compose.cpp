// FileIndex::composedRanking: the ranking of words that must all match ("email s"), formed from
// the matches of each word alone. bm25 scores such an expression as the sum of each phrase's
// part, and a phrase's part depends only on the row (its size and the phrase's frequency in it)
// and on the phrase's document count and the table's totals; every match of each word alone
// holds exactly that. So the rows in every word's list, scored in the stated order, are the
// ranking SQLite's own statement gives. It pays where the direct match is slow: a short prefix
// beside a word makes FTS5 seek through the document list of each of the prefix's dozens of
// words for every row of the other word, while its matches, once gathered, are kept and follow
// the writes a scan records, and the other word's own matches cost little.
#include "index/file_index.h"
#include "index/letter_matches.h"
#include "index/rank_expression.h"
#include "index/search_state.h"
#include "util/unicode.h"

namespace quorvale {

std::shared_ptr<const FullTextRank::Matches> FileIndex::phraseMatches(
    const RankExpression& expression, const SharedSearchData::RankingRequest& request,
    bool mayMatch) {
  SearchState& state = searchState();
  if (auto matches = state.currentMatches(request.key)) return matches;
  if (auto published = state.publishedRanking(request.key)) {
    if (auto matches = state.publishedMatches(request.key)) {
      state.keepRanking(request.key, std::move(*published), matches);
      return matches;
    }
  }
  // A followed ranking keeps its matches, unless they are over what a connection keeps.
  if (followRanking(expression, request, true)) return state.currentMatches(request.key);
  if (!mayMatch) return nullptr;
  auto ranked = rankNow(expression, request, true);
  if (!ranked) return nullptr;
  std::shared_ptr<const FullTextRank::Matches> matches = state.rank.lastMatches();
  state.keepRanking(request.key, std::move(*ranked), matches);
  return matches;
}

std::optional<FileIndex::WordRanking> FileIndex::wordRanking(const std::string& term) {
  SearchState& state = searchState();
  auto second = [&](char letter) { return state.secondCharactersAfter(*this, letter, true); };
  auto expression = rankExpression({term}, false, false, {}, second);
  if (!expression) return std::nullopt;
  WordRanking word{.expression = std::move(*expression), .request = {}};
  word.request.query.terms = {term};
  word.request.query.raw = term;
  word.request.key = SearchState::key("", {word.expression.match});
  return word;
}

std::optional<std::vector<FullTextRank::Ranked>> FileIndex::composedRanking(
    const SharedSearchData::RankingRequest& request, RankingUse use) {
  const Query& query = request.query;
  // Words in the name column alone, any-of searches and excluded words are matched directly.
  if (!use.held || request.nameOnly || query.matchAny || !query.excluded.empty() ||
      query.terms.size() < 2) {
    return std::nullopt;
  }
  SearchState& state = searchState();
  struct Word {
    WordRanking ranking;
    bool shortPrefix = false;
  };
  std::vector<Word> words;
  for (const std::string& term : query.terms) {
    // A term with nothing to match is not in the stated expression either.
    if (auto ranking = wordRanking(term)) {
      words.push_back({std::move(*ranking), unicode::characterCount(term) <= 2});
    }
  }
  if (words.size() < 2) return std::nullopt;
  std::vector<std::shared_ptr<const FullTextRank::Matches>> lists(words.size());
  std::vector<std::shared_ptr<const LetterMatches>> letters(words.size());
  // Short prefixes first: their matches are only taken when at hand (as a list, or a letter's
  // by id), since matching one costs more than the direct search; what is missing is asked
  // for, for the next keystrokes.
  bool missing = false;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (!words[i].shortPrefix) continue;
    const WordRanking& word = words[i].ranking;
    lists[i] = phraseMatches(word.expression, word.request, false);
    if (!lists[i]) letters[i] = state.letterMatches(*this, word.request.key);
    if (!lists[i] && !letters[i]) {
      missing = true;
      if (use.ask && state.shared) state.shared->request(word.request);
    }
  }
  if (missing) return std::nullopt;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (words[i].shortPrefix) continue;
    lists[i] = phraseMatches(words[i].ranking.expression, words[i].ranking.request, true);
    if (!lists[i]) return std::nullopt;
  }
  // A letter's matches by id are read for the rows of the shortest list: a row outside it is
  // in no ranking.
  const FullTextRank::Matches* shortest = nullptr;
  for (const auto& list : lists) {
    if (list && (!shortest || list->rowids.size() < shortest->rowids.size())) shortest = list.get();
  }
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (lists[i]) continue;
    if (!shortest) return std::nullopt;  // letters alone ("s p")
    lists[i] = std::make_shared<const FullTextRank::Matches>(letters[i]->among(*shortest));
  }
  std::vector<const FullTextRank::Matches*> phrases;
  for (const auto& list : lists) phrases.push_back(list.get());
  FilterCheck check;
  if (!request.conditions.empty()) check = filterCheck(request, true);
  return state.rank.bestOfAll(phrases, kSearchRows, check.keep, check.prepare);
}

}  // namespace quorvale
