// FileIndex::followRanking: a kept one-phrase ranking taken through the writes recorded since it
// was made. A row's matches, frequencies and size change only when the row does, so the kept
// matches of every other row still hold; the changed rows are matched anew (one statement over
// their rowid range, which a scan's new rows fill densely), and all rows are scored again with
// the table's new totals, by the same arithmetic and in the same rowid order as a full run. The
// result is therefore the one ranking every match now would give, at the cost of matching the
// changed rows only.
#include <algorithm>

#include "index/file_index.h"
#include "index/search_state.h"
#include "util/phase_times.h"

namespace quorvale {
namespace {

const std::string kRankRange =
    "SELECT quorvale_rank(fts,10.0,3.0,1.0) FROM fts WHERE fts MATCH ? AND rowid BETWEEN ? AND ?";

// The rows of `before` that did not change, with the changed rows of `fresh`, in rowid order.
void merge(const FullTextRank::Matches& before, const FullTextRank::Matches& fresh,
           const std::vector<int64_t>& changed, FullTextRank::Matches& out) {
  auto isChanged = [&](int64_t rowid) {
    return std::binary_search(changed.begin(), changed.end(), rowid);
  };
  auto take = [&](const FullTextRank::Matches& from, std::size_t at) {
    out.rowids.push_back(from.rowids[at]);
    out.rowTokens.push_back(from.rowTokens[at]);
    out.frequencies.push_back(from.frequencies[at]);
  };
  std::size_t a = 0, b = 0;
  while (a < before.rowids.size() || b < fresh.rowids.size()) {
    bool fromBefore = b == fresh.rowids.size() ||
                      (a < before.rowids.size() && before.rowids[a] < fresh.rowids[b]);
    if (fromBefore) {
      if (!isChanged(before.rowids[a])) take(before, a);
      ++a;
    } else {
      // A row in the range that did not change is in `before` already, if it matched.
      if (isChanged(fresh.rowids[b])) take(fresh, b);
      ++b;
    }
  }
}

}  // namespace

std::optional<std::vector<FullTextRank::Ranked>> FileIndex::followRanking(
    const RankExpression& expression, const SharedSearchData::RankingRequest& request, bool held) {
  SearchState& state = searchState();
  if (!held || !state.shared) return std::nullopt;
  std::optional<SearchState::OutdatedMatches> outdated = state.outdatedMatches(request.key);
  if (!outdated) return std::nullopt;
  std::optional<SharedSearchData::Change> change =
      state.shared->changesBetween(outdated->generation, state.generation());
  if (!change) return std::nullopt;
  PhaseTimes::Scope timed("search.ranked.follow");
  auto matchesIn = [&](int64_t first, int64_t last) -> std::optional<FullTextRank::Matches> {
    auto statement = prepared(kRankRange);
    sql::StatementUse use(*statement);
    if (statement->bind(std::vector<Bind>{expression.match, first, last}) != SQLITE_OK) {
      return std::nullopt;
    }
    return state.rank.matchesOf(*statement, expression);
  };
  FullTextRank::Matches fresh;
  if (!change->rows.empty()) {
    auto found = matchesIn(change->rows.front(), change->rows.back());
    if (!found) return std::nullopt;
    fresh = std::move(*found);
  }
  auto matches = std::make_shared<FullTextRank::Matches>();
  merge(*outdated->matches, fresh, change->rows, *matches);
  matches->rowCount = fresh.rowCount;
  matches->tokens = fresh.tokens;
  if (matches->rowCount == 0 && !matches->rowids.empty()) {
    // No row of the range matched: the totals come from one row that still matches.
    int64_t row = matches->rowids.front();
    auto totals = matchesIn(row, row);
    if (!totals || totals->rowCount == 0) return std::nullopt;
    matches->rowCount = totals->rowCount;
    matches->tokens = totals->tokens;
  }
  FilterCheck check;
  if (!request.conditions.empty()) check = filterCheck(request, held);
  auto ranked = state.rank.bestOf(*matches, kSearchRows, check.keep, check.prepare);
  if (!ranked) return std::nullopt;
  state.keepRanking(request.key, *ranked, std::move(matches));
  return ranked;
}

}  // namespace quorvale
