// FileIndex::warmUp: the short-prefix rankings and name vocabularies worked out on the index
// queue for the searching connections of the same file.
#include <chrono>

#include "index/file_index.h"
#include "index/read_snapshot.h"
#include "index/search_state.h"
#include "util/phase_times.h"

namespace quorvale {
namespace {

// First letters of names, the most common first; the order in which a fresh start prepares
// them (a search's first keystroke is one of these).
constexpr std::string_view kCommonFirstLetters = "scpbtmdarfhlgewionuvkjyqzx";

// What a fresh start prepares besides what searches asked for.
void addOpeningDefaults(std::vector<SharedSearchData::RankingRequest>& rankings,
                        std::vector<char32_t>& letters,
                        const std::function<SharedSearchData::RankingRequest(const Query&)>& make) {
  for (char letter : kCommonFirstLetters) {
    Query query;
    query.terms = {std::string(1, letter)};
    query.raw = query.terms.front();
    rankings.push_back(make(query));
    if (std::find(letters.begin(), letters.end(), char32_t(letter)) == letters.end()) {
      letters.push_back(char32_t(letter));
    }
  }
}

}  // namespace

void FileIndex::warmUp(const WarmUp& options) {
  if (auto prepared = prepareShared(options)) searchState().shared->publish(std::move(prepared));
}

std::shared_ptr<const SharedSearchData::Published> FileIndex::prepareShared(const WarmUp& options) {
  if (batchOpen_ || !options_.fastRanking) return nullptr;
  SearchState& state = searchState();
  if (!state.shared || !state.rank.available()) return nullptr;
  std::vector<SharedSearchData::RankingRequest> rankings = state.shared->rankingRequests();
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
    if (generation < 0 || state.shared->published(generation)) return nullptr;
    auto data = std::make_shared<SharedSearchData::Published>();
    data->generation = generation;
    // Rankings and vocabularies by turns, the most recently asked first.
    std::size_t items = std::max(rankings.size(), letters.size());
    for (std::size_t i = 0; i < items && (i == 0 || withinBudget()); ++i) {
      if (i < rankings.size()) {
        auto ranked = bestRowIds(rankings[i], {.held = true, .ask = false});
        if (ranked && !rankings[i].key.empty()) {
          data->rankings[rankings[i].key] = *ranked;
          if (auto matches = state.currentMatches(rankings[i].key)) {
            data->matches[rankings[i].key] = std::move(matches);
          }
        }
      }
      if (i < letters.size() && !data->vocabulary.contains(letters[i])) {
        if (auto words = SearchState::readNameWords(*this, letters[i])) {
          data->vocabulary[letters[i]] = std::move(*words);
        }
      }
    }
    data->groupCounts = state.currentGroupCounts();
    return data;
  } catch (const IndexError&) {
    return nullptr;
  }
}

}  // namespace quorvale
