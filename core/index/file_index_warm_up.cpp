// FileIndex::warmUp: the short-prefix rankings, name vocabularies and one-letter groups worked
// out on the index queue for the searching connections of the same file, and kept in the file
// for processes that start afresh.
#include <chrono>

#include "index/file_index.h"
#include "index/rank_expression.h"
#include "index/read_snapshot.h"
#include "index/search_state.h"
#include "index/stored_search_data.h"
#include "util/phase_times.h"

namespace quorvale {
namespace {

// First letters of names, the most common first; the order in which a fresh start prepares
// them (a search's first keystroke is one of these).
constexpr std::string_view kCommonFirstLetters = "scpbtmdarfhlgewionuvkjyqzx";

// The characters that can follow a first letter in an indexed ASCII word.
constexpr std::string_view kSecondCharacters = "abcdefghijklmnopqrstuvwxyz0123456789";

using MakeRequest = std::function<SharedSearchData::RankingRequest(const Query&)>;

SharedSearchData::RankingRequest prefixRequest(std::string prefix, const MakeRequest& make) {
  Query query;
  query.terms = {std::move(prefix)};
  query.raw = query.terms.front();
  return make(query);
}

// Which matches of a prepared ranking are published with it.
enum class Publish {
  kMatches,
  kRankingOnly,
  kMatchesWithinRows,  // while those published so far stay within matchListRows; else by id
};

// The matches of a one-letter prefix over every column are most of the index; a fresh start
// publishes those of the most common letters as lists (WarmUp::matchListRows), and those of the
// next ones by id, up to this many bytes in all.
constexpr std::size_t kOpeningLetterBytes = std::size_t{16} << 20;

struct Preparation {
  SharedSearchData::RankingRequest request;
  Publish publish = Publish::kMatches;
};

// What a fresh start prepares besides what searches asked for, most common first letters first:
// - the one-letter prefixes (a search's first keystroke);
// - the two-letter prefixes (its second; a common one matches most of the index), without their
//   matches, which together hold the index many times over;
// - the one-letter prefixes over every column, with matches: a word beside a one-letter prefix
//   ("email s") is ranked from them (composedRanking) instead of a slow direct match.
void addOpeningDefaults(std::vector<Preparation>& rankings, std::vector<char32_t>& letters,
                        const MakeRequest& make) {
  for (char letter : kCommonFirstLetters) {
    rankings.push_back({prefixRequest(std::string(1, letter), make)});
    if (std::find(letters.begin(), letters.end(), char32_t(letter)) == letters.end()) {
      letters.push_back(char32_t(letter));
    }
  }
  for (char letter : kCommonFirstLetters) {
    for (char next : kSecondCharacters) {
      rankings.push_back({prefixRequest({letter, next}, make), Publish::kRankingOnly});
    }
  }
  for (char letter : kCommonFirstLetters) {
    Preparation everyColumn{prefixRequest(std::string(1, letter), make),
                            Publish::kMatchesWithinRows};
    everyColumn.request.nameOnly = false;
    everyColumn.request.key.clear();  // worked out by FileIndex::wordRanking
    rankings.push_back(std::move(everyColumn));
  }
}

std::size_t itemCount(const SharedSearchData::Published& data) {
  return data.rankings.size() + data.vocabulary.size() + data.groupCounts.size() +
         data.secondCharacters.size() + data.letterMatches.size();
}

}  // namespace

void FileIndex::warmUp(const WarmUp& options) {
  std::shared_ptr<const SharedSearchData::Published> prepared = prepareShared(options);
  if (!prepared) return;
  if (options.store && static_cast<std::size_t>(StoredSearchData::count(
                           *this, prepared->generation)) < itemCount(*prepared)) {
    PhaseTimes::Scope timed("warmUp.store");
    StoredSearchData::store(*this, *prepared);
  }
  searchState().shared->publish(std::move(prepared));
}

std::shared_ptr<const SharedSearchData::Published> FileIndex::prepareShared(const WarmUp& options) {
  if (batchOpen_ || !options_.fastRanking) return nullptr;
  SearchState& state = searchState();
  if (!state.shared || !state.rank.available()) return nullptr;
  std::vector<Preparation> rankings;
  for (auto& request : state.shared->rankingRequests()) rankings.push_back({std::move(request)});
  std::vector<char32_t> letters = state.shared->vocabularyRequests();
  if (options.atOpen) addOpeningDefaults(rankings, letters, rankingRequest);
  if (rankings.empty() && letters.empty()) return nullptr;
  PhaseTimes::Scope timed("warmUp");
  auto started = std::chrono::steady_clock::now();
  auto withinBudget = [&] {
    return std::chrono::steady_clock::now() - started <
           std::chrono::milliseconds(options.budgetMilliseconds);
  };
  try {
    ReadSnapshot snapshot(db_);
    if (!snapshot.held()) return nullptr;
    state.refresh(true);
    int64_t generation = state.generation();
    if (generation < 0) return nullptr;
    auto data = std::make_shared<SharedSearchData::Published>();
    if (auto earlier = state.shared->published(generation)) {
      // An opening warm-up adds the defaults to what was published for this data.
      if (!options.atOpen) return nullptr;
      *data = *earlier;
    }
    data->generation = generation;
    if (options.atOpen && !data->rowSizes) {
      PhaseTimes::Scope sized("warmUp.rowSizes");
      if (auto sizes = readAllSizes(db_, kFullTextColumns)) {
        data->rowSizes = std::make_shared<const AllSizes>(std::move(*sizes));
      }
    }
    // The rankings below need them as much as a search does.
    if (data->rowSizes) state.rank.sizeCache().adopt(data->rowSizes);
    // Rankings and vocabularies by turns, the most recently asked first.
    std::size_t items = std::max(rankings.size(), letters.size());
    std::size_t openingRows = 0;
    std::size_t letterBytes = 0;
    for (const auto& [key, letter] : data->letterMatches) letterBytes += letter->bytes();
    for (std::size_t i = 0; i < items && (i == 0 || withinBudget()); ++i) {
      if (i < rankings.size()) {
        SharedSearchData::RankingRequest& request = rankings[i].request;
        std::optional<std::vector<FullTextRank::Ranked>> ranked;
        std::shared_ptr<const FullTextRank::Matches> matches;
        if (rankings[i].publish != Publish::kMatchesWithinRows) {
          ranked = bestRowIds(request, {.held = true, .ask = false});
          if (rankings[i].publish == Publish::kMatches) matches = state.currentMatches(request.key);
        } else if (auto word = wordRanking(request.query.terms.front())) {
          request.key = word->request.key;
          bool listed = openingRows < options.matchListRows;
          bool roomById = letterBytes < kOpeningLetterBytes;
          // By id when kept in the file: no list need be gathered.
          std::shared_ptr<const LetterMatches> letter;
          if (!listed && roomById) letter = state.letterMatches(*this, request.key);
          // Its matches are what counts, and a ranking kept in the file has none.
          if (!letter && (listed || roomById)) {
            matches = phraseMatches(word->expression, word->request, true);
            if (matches) ranked = state.cachedRanking(request.key);
          }
          if (matches) {
            if (listed) openingRows += matches->rowids.size();
            // By id as well when listed: what a process that starts afresh reads from the file.
            if (roomById) {
              if (auto byId = LetterMatches::of(*matches)) {
                letter = std::make_shared<const LetterMatches>(std::move(*byId));
              }
            }
            // Past the room for lists (its own rows included): by id only.
            if (openingRows >= options.matchListRows) matches = nullptr;
          }
          if (letter && roomById) {
            letterBytes += letter->bytes();
            data->letterMatches[request.key] = std::move(letter);
          }
        }
        if (ranked && !ranked->empty() && !request.key.empty()) {
          data->rankings[request.key] = *ranked;
          if (matches) data->matches[request.key] = std::move(matches);
        }
      }
      if (i < letters.size() && !data->vocabulary.contains(letters[i])) {
        auto words = StoredSearchData::vocabulary(*this, letters[i], generation);
        if (!words) words = SearchState::readNameWords(*this, letters[i]);
        if (words) data->vocabulary[letters[i]] = std::move(*words);
      }
      if (options.atOpen && i < letters.size() && letters[i] < 0x80) {
        prepareLetter(static_cast<char>(letters[i]), *data);
      }
    }
    // Read whatever the budget left: filters need them as soon as the data is published.
    if (options.atOpen && !data->attributes) {
      PhaseTimes::Scope read("warmUp.attributes");
      if (auto attributes = FileAttributes::read(db_)) {
        data->attributes = std::make_shared<const FileAttributes>(std::move(*attributes));
      }
    }
    data->groupCounts = state.currentGroupCounts();
    return data;
  } catch (const IndexError&) {
    return nullptr;
  }
}

// What the split of a one-letter prefix reads besides its matches: the letter's non-ASCII
// second characters and the document count of its group, over names (a one-letter search) and
// over every column (a one-letter word beside others).
void FileIndex::prepareLetter(char letter, SharedSearchData::Published& data) {
  SearchState& state = searchState();
  auto second = [&](char c) { return state.secondCharactersAfter(*this, c, true); };
  std::optional<std::vector<std::string>> characters = second(letter);
  if (!characters) return;
  data.secondCharacters[letter] = *characters;
  for (bool nameOnly : {true, false}) {
    auto expression = rankExpression({std::string(1, letter)}, false, nameOnly, {}, second);
    if (!expression || expression->groupCount.empty() || !expression->groupCount.front()) continue;
    const std::string& group = *expression->groupCount.front();
    if (auto count = state.documentsMatching(*this, group, true)) data.groupCounts[group] = *count;
  }
}

}  // namespace quorvale
