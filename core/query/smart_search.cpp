#include "query/smart_search.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "index/edit_distance.h"
#include "index/query_parser.h"
#include "index/ranking.h"
#include "util/phase_times.h"
#include "util/unicode.h"

namespace quorvale::SmartSearch {
namespace {

// Typo correction leaves short words alone and allows two edits from this length on.
constexpr std::size_t kMinCorrectedCharacters = 4;
constexpr std::size_t kTwoEditCharacters = 8;

class Loosening {
 public:
  Loosening(FileIndex& index, int limit, Date now)
      : index_(index),
        limit_(static_cast<std::size_t>(limit)),
        now_(now),
        enough_(std::min<std::size_t>(limit_, 3)) {}

  bool isShort() const { return result_.hits.size() < enough_; }
  SmartResult& result() { return result_; }
  std::vector<Hit> search(const Query& query, int limit) {
    return index_.search(query, limit, now_);
  }
  FileIndex& index() { return index_; }
  int limit() const { return static_cast<int>(limit_); }
  Date now() const { return now_; }

  // Appends the hits whose paths are new, up to the limit.
  void merge(std::vector<Hit> hits, bool marksRelaxed) {
    bool appended = false;
    for (Hit& hit : hits) {
      if (result_.hits.size() >= limit_) break;
      if (!paths_.insert(hit.record.path).second) continue;
      result_.hits.push_back(std::move(hit));
      appended = true;
    }
    if (marksRelaxed && appended) result_.relaxed = true;
  }

 private:
  FileIndex& index_;
  std::size_t limit_;
  Date now_;
  std::size_t enough_;
  SmartResult result_;
  std::unordered_set<std::string> paths_;
};

// The parsed query's words with a typed kind word put back as a word and its kind filter gone.
Query withKindWordAsWord(const Query& query) {
  Query loose = query;
  if (query.kindWord) {
    loose.kind.reset();
    loose.kindWord.reset();
    loose.terms.push_back(*query.kindWord);
  }
  return loose;
}

void kindWordAsWord(const Query& query, Loosening& loosening) {
  if (!query.kindWord) return;
  loosening.merge(loosening.search(withKindWordAsWord(query), loosening.limit()), true);
}

struct Covered {
  Hit hit;
  std::size_t coverage = 0;
  std::size_t order = 0;
};

// Every word, and with three or more words every variant that leaves one out; a left-out
// format word still counts for files of that format. Files matching more words come first.
void wordVariants(const Query& query, Loosening& loosening) {
  Query all = withKindWordAsWord(query);
  const std::vector<std::string>& words = all.terms;
  if (words.size() < 3) return;  // the all-words variant is the search already made
  const auto& aliases = extensionAliases();
  std::unordered_map<std::string, Covered> byPath;
  for (std::size_t left = 0; left < words.size(); ++left) {
    Query variant = all;
    variant.terms.erase(variant.terms.begin() + static_cast<std::ptrdiff_t>(left));
    const std::string& leftOut = words[left];
    for (Hit& hit : loosening.search(variant, FileIndex::kSearchRows)) {
      std::size_t coverage = variant.terms.size();
      if (auto alias = aliases.find(leftOut); alias != aliases.end()) {
        const auto& extensions = alias->second;
        if (std::find(extensions.begin(), extensions.end(), hit.record.ext) != extensions.end()) {
          ++coverage;
        }
      }
      auto [at, inserted] =
          byPath.try_emplace(hit.record.path, Covered{hit, coverage, byPath.size()});
      if (!inserted && (coverage > at->second.coverage ||
                        (coverage == at->second.coverage && hit.score > at->second.hit.score))) {
        at->second.hit = std::move(hit);
        at->second.coverage = coverage;
      }
    }
  }
  std::vector<Covered> combined;
  for (auto& [path, covered] : byPath) combined.push_back(std::move(covered));
  std::sort(combined.begin(), combined.end(), [](const Covered& a, const Covered& b) {
    if (a.coverage != b.coverage) return a.coverage > b.coverage;
    if (a.hit.score != b.hit.score) return a.hit.score > b.hit.score;
    return a.order < b.order;
  });
  std::vector<Hit> hits;
  for (auto& covered : combined) hits.push_back(std::move(covered.hit));
  loosening.merge(std::move(hits), true);
}

// Names that contain every word. Words of three or more characters use the trigram table; the
// scan of all names that shorter ones need runs only when no word is that long.
void nameSubstring(std::string_view text, Loosening& loosening) {
  std::vector<std::string> words = tokens(text);
  if (words.empty()) return;
  std::vector<std::string> probes;
  for (const auto& word : words) {
    if (unicode::scalarCount(word) >= 3) probes.push_back(word);
  }
  if (probes.empty()) probes = words;
  std::vector<Hit> hits;
  std::unordered_set<std::string> seen;
  for (const auto& probe : probes) {
    for (Hit& hit :
         loosening.index().substringSearch(probe, FileIndex::kSearchRows, loosening.now())) {
      if (nameCoverage(words, hit.record) != static_cast<int>(words.size())) continue;
      if (seen.insert(hit.record.path).second) hits.push_back(std::move(hit));
    }
  }
  Ranker::sortHits(hits);
  loosening.merge(std::move(hits), false);
}

// The indexed word for a misspelt one: the fewest edits, then the most documents.
std::optional<std::string> correction(FileIndex& index, const std::string& term) {
  std::size_t length = unicode::characterCount(term);
  if (length < kMinCorrectedCharacters || index.hasTerm(term)) return std::nullopt;
  int maxDistance = length >= kTwoEditCharacters ? 2 : 1;
  std::optional<std::string> best;
  int bestDistance = maxDistance + 1;
  int64_t bestDocs = -1;
  for (const auto& candidate : index.similarTerms(term, maxDistance)) {
    int distance = EditDistance::damerau(candidate.term, unicode::lowercased(term));
    if (distance < bestDistance || (distance == bestDistance && candidate.docs > bestDocs)) {
      best = candidate.term;
      bestDistance = distance;
      bestDocs = candidate.docs;
    }
  }
  return best;
}

// Returns the query with corrected words (the strict query when nothing was corrected).
Query typoCorrection(const Query& query, Loosening& loosening) {
  Query corrected = query;
  bool changed = false;
  for (std::string& term : corrected.terms) {
    if (auto better = correction(loosening.index(), term)) {
      loosening.result().corrected[term] = *better;
      term = *better;
      changed = true;
    }
  }
  if (changed) loosening.merge(loosening.search(corrected, loosening.limit()), false);
  return corrected;
}

// When every word is a filler word ("my photos": a kind filter and "my"), what is left is the
// filter alone, and that search (newest first) runs too. Filler words alone ("the") leave nothing
// to look for.
void withoutFillerWords(const Query& query, Loosening& loosening) {
  Query plain = query;
  std::erase_if(plain.terms, [](const std::string& term) { return stopwords().contains(term); });
  if (plain.isEmpty() || plain.terms.size() == query.terms.size()) return;
  loosening.merge(loosening.search(plain, loosening.limit()), true);
}

}  // namespace

SmartResult search(std::string_view text, FileIndex& index, const Options& options) {
  if (options.limit <= 0) return {};
  if (options.calendar == nullptr) {
    auto calendar = QueryParser::currentCalendar();
    if (!calendar) return {};
    return search(QueryParser::parse(text, options.now, *calendar), text, index, options);
  }
  return search(QueryParser::parse(text, options.now, *options.calendar), text, index, options);
}

SmartResult search(const Query& query, std::string_view text, FileIndex& index,
                   const Options& options) {
  const int limit = options.limit;
  const Date now = options.now;
  const bool loosen = options.loosen;
  if (limit <= 0) return {};
  Loosening loosening(index, limit, now);
  {
    PhaseTimes::Scope timed("strict");
    loosening.merge(index.search(query, limit, now), false);
  }
  if (!loosen || query.exact || !loosening.isShort()) return loosening.result();

  PhaseTimes::Scope timed("loosen");
  if (query.kindWord) {
    PhaseTimes::Scope step("loosen.kindWord");
    kindWordAsWord(query, loosening);
  }
  if (loosening.isShort()) {
    PhaseTimes::Scope step("loosen.variants");
    wordVariants(query, loosening);
  }
  if (loosening.isShort()) {
    PhaseTimes::Scope step("loosen.substring");
    nameSubstring(text, loosening);
  }
  Query corrected = query;
  if (loosening.isShort()) {
    PhaseTimes::Scope step("loosen.typo");
    corrected = typoCorrection(query, loosening);
  }
  if (loosening.isShort()) {
    PhaseTimes::Scope step("loosen.filler");
    withoutFillerWords(corrected, loosening);
  }
  return loosening.result();
}

}  // namespace quorvale::SmartSearch
