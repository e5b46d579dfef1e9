#include "passages/passage_search.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

#include "passages/passage_terms.h"
#include "passages/question_detector.h"
#include "passages/text_scalars.h"
#include "util/unicode.h"

namespace quorvale::PassageSearch {
namespace {

struct LexicalLists {
  std::vector<int64_t> primary;   // the question's own terms, best first
  std::vector<int64_t> expanded;  // the terms plus expansion words
  std::vector<std::string> expansionWords;
  std::vector<std::string> phrasesInUse;
  // A quoted phrase matched nothing and was dropped.
  bool phrasesDropped = false;
};

using Scores = std::unordered_map<int64_t, double>;
using ChunkMap = std::unordered_map<int64_t, StoredChunk>;

std::vector<int64_t> matching(PassageStore& store, const std::vector<std::string>& words,
                              const std::vector<std::string>& phrases) {
  std::optional<std::string> expression = PassageTerms::matchExpression(words, phrases);
  if (!expression) return {};
  return store.matchChunkIDs(*expression, kLexicalLimit);
}

LexicalLists lexicalLists(PassageStore& store, const QuestionTerms& terms,
                          const PassageSearchOptions& options) {
  LexicalLists lists;
  lists.phrasesInUse = terms.phrases;
  lists.primary = matching(store, terms.words, terms.phrases);
  if (lists.primary.empty() && !terms.phrases.empty()) {
    lists.primary = matching(store, terms.words, {});
    lists.phrasesInUse.clear();
    lists.phrasesDropped = true;
  }
  if (options.expand && !terms.words.empty()) {
    lists.expansionWords = neighbours(terms.words, options.wordTable);
    if (!lists.expansionWords.empty()) {
      std::vector<std::string> all = terms.words;
      all.insert(all.end(), lists.expansionWords.begin(), lists.expansionWords.end());
      lists.expanded = matching(store, all, lists.phrasesInUse);
    }
  }
  return lists;
}

// Reciprocal-rank fusion: each list adds 1 / (rank + 60) to each of its ids.
void fuse(Scores& scores, const std::vector<int64_t>& list) {
  for (std::size_t rank = 0; rank < list.size(); ++rank) {
    scores[list[rank]] += 1.0 / (static_cast<double>(rank) + kFusionConstant);
  }
}

// Best first; equal scores by smaller id.
std::vector<int64_t> ranked(const Scores& scores) {
  std::vector<int64_t> ids;
  ids.reserve(scores.size());
  for (const auto& [id, score] : scores) ids.push_back(id);
  std::sort(ids.begin(), ids.end(), [&](int64_t a, int64_t b) {
    double sa = scores.at(a), sb = scores.at(b);
    return sa != sb ? sa > sb : a < b;
  });
  return ids;
}

ChunkMap load(PassageStore& store, const std::vector<int64_t>& ids) {
  ChunkMap map;
  for (StoredChunk& chunk : store.chunks(ids)) {
    int64_t id = chunk.id;
    map.emplace(id, std::move(chunk));
  }
  return map;
}

// One of the best passages holds at least half of the question's terms.
bool covers(const std::vector<int64_t>& rankedIds, const ChunkMap& chunks,
            const QuestionTerms& terms) {
  const std::size_t n = terms.words.size() + terms.phrases.size();
  const int needed = static_cast<int>((n + 1) / 2);
  const std::size_t look = std::min(rankedIds.size(), kCoverageChunks);
  for (std::size_t i = 0; i < look; ++i) {
    auto chunk = chunks.find(rankedIds[i]);
    if (chunk == chunks.end()) continue;
    if (PassageTerms::covered(chunk->second.text, terms.words, terms.phrases) >= needed) {
      return true;
    }
  }
  return false;
}

struct FileRank {
  std::string path;
  double score = 0;
  int64_t best = 0;
};

// Files by their best passage plus a tenth of the second best; equal scores by path.
std::vector<FileRank> rankFiles(const std::vector<int64_t>& rankedIds, const Scores& scores,
                                const ChunkMap& chunks, int limit) {
  std::unordered_map<std::string, std::size_t> byPath;
  std::vector<FileRank> files;
  std::vector<int> seen;
  for (int64_t id : rankedIds) {  // already best first, so each file's first id is its best
    auto chunk = chunks.find(id);
    if (chunk == chunks.end()) continue;
    auto [at, added] = byPath.emplace(chunk->second.path, files.size());
    double score = scores.at(id);
    if (added) {
      files.push_back({.path = chunk->second.path, .score = score, .best = id});
      seen.push_back(1);
    } else if (seen[at->second]++ == 1) {
      files[at->second].score += kSecondPassageBonus * score;
    }
  }
  std::sort(files.begin(), files.end(), [](const FileRank& a, const FileRank& b) {
    return a.score != b.score ? a.score > b.score : a.path < b.path;
  });
  if (files.size() > static_cast<std::size_t>(limit)) files.resize(static_cast<std::size_t>(limit));
  return files;
}

template <typename FromExpansion>
std::vector<PassageHit> buildHits(const std::vector<FileRank>& files, const ChunkMap& chunks,
                                  const QuestionTerms& terms, const LexicalLists& lists,
                                  FromExpansion fromExpansion) {
  std::vector<PassageHit> hits;
  for (const FileRank& file : files) {
    const StoredChunk& chunk = chunks.at(file.best);
    Excerpt shown = PassageExcerpt::excerpt(chunk.text, terms.words, lists.expansionWords,
                                            lists.phrasesInUse, PassageExcerpt::kLength);
    hits.push_back({.path = file.path,
                    .score = file.score,
                    .passage = std::move(shown.passage),
                    .highlights = std::move(shown.highlights),
                    .page = chunk.page,
                    .heading = chunk.heading,
                    .fromExpansion = fromExpansion(file.best),
                    .chunkStart = chunk.start,
                    .chunkEnd = chunk.end});
  }
  return hits;
}

template <typename T>
bool contains(const std::vector<T>& list, const T& value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

std::string withoutLeadingQuestionMarks(std::string_view text) {
  std::string trimmed = unicode::trimmed(text);
  std::size_t first = trimmed.find_first_not_of('?');
  return first == std::string::npos ? std::string() : trimmed.substr(first);
}

std::optional<std::vector<float>> embedQuestion(const Embedder& embedder, const std::string& text) {
  try {
    return embedder.embed(text);
  } catch (...) {
    // An encoder that fails leaves the word search to answer.
    return std::nullopt;
  }
}

}  // namespace

std::vector<std::string> neighbours(const std::vector<std::string>& words, const WordTable* table) {
  std::vector<std::string> chosen;
  if (table == nullptr) return chosen;
  for (const std::string& word : words) {
    std::u32string scalars = unicode::scalars(word);
    if (std::any_of(scalars.begin(), scalars.end(),
                    [](char32_t c) { return unicode::isDigit(c); })) {
      continue;
    }
    for (const WordTable::Neighbour& near : table->neighbours(word, kNeighboursPerWord)) {
      if (!(near.distance < kMaxNeighbourDistance)) continue;
      std::string lower = unicode::lowercased(near.word);
      std::u32string letters = unicode::scalars(lower);
      bool plain =
          letters.size() > 1 && std::all_of(letters.begin(), letters.end(),
                                            [](char32_t c) { return passages::isAlphanumeric(c); });
      if (!plain || contains(words, lower) || contains(chosen, lower)) continue;
      chosen.push_back(std::move(lower));
    }
  }
  return chosen;
}

PassageResult search(PassageStore& store, std::string_view text,
                     const PassageSearchOptions& options) {
  const QuestionTerms terms = QuestionDetector::contentWords(text);
  if (terms.isEmpty() || options.limit < 1) return {};
  const LexicalLists lists = lexicalLists(store, terms, options);
  Scores scores;
  fuse(scores, lists.primary);
  fuse(scores, lists.expanded);
  if (scores.empty()) return {};
  const std::vector<int64_t> ids = ranked(scores);
  const ChunkMap chunks = load(store, ids);

  PassageResult result;
  result.weak = lists.phrasesDropped || !covers(ids, chunks, terms);
  result.expansionWords = lists.expansionWords;
  result.hits = buildHits(rankFiles(ids, scores, chunks, options.limit), chunks, terms, lists,
                          [&](int64_t id) { return !contains(lists.primary, id); });
  return result;
}

PassageResult searchHybrid(PassageStore& store, std::string_view text, const Embedder& embedder,
                           const PassageSearchOptions& options) {
  if (options.limit < 1) return {};
  const std::string question = withoutLeadingQuestionMarks(text);
  std::shared_ptr<const DenseIndex> dense = store.denseSnapshot(embedder.identifier());
  std::optional<std::vector<float>> query;
  if (dense) query = embedQuestion(embedder, question);
  if (!dense || !query || query->size() != dense->dimension()) {
    return search(store, question, options);
  }

  const std::vector<DenseIndex::Neighbour> nearest = dense->nearest(*query, kDenseNeighbours);
  std::vector<int64_t> denseList;
  for (const DenseIndex::Neighbour& near : nearest) denseList.push_back(near.chunkID);
  const double top = nearest.empty() ? 0.0 : nearest.front().score;

  const QuestionTerms terms = QuestionDetector::contentWords(question);
  LexicalLists lists;
  if (terms.isEmpty()) {
    lists.phrasesDropped = true;
  } else {
    lists = lexicalLists(store, terms, options);
  }
  Scores scores;
  fuse(scores, denseList);
  fuse(scores, lists.primary);
  fuse(scores, lists.expanded);
  if (scores.empty()) return {};
  const std::vector<int64_t> ids = ranked(scores);
  const ChunkMap chunks = load(store, ids);

  const bool coverage = !lists.phrasesDropped && !terms.isEmpty() && covers(ids, chunks, terms);
  PassageResult result;
  result.weak = top < (coverage ? options.weakCosine : options.sureCosine);
  result.expansionWords = lists.expansionWords;
  result.hits = buildHits(
      rankFiles(ids, scores, chunks, options.limit), chunks, terms, lists,
      [&](int64_t id) { return !contains(denseList, id) && !contains(lists.primary, id); });
  return result;
}

}  // namespace quorvale::PassageSearch
