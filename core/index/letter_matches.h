// Every match of a one-letter prefix over every column, a byte per file id. A word beside a
// one-letter prefix ("email s") is ranked from each one's matches (FileIndex::composedRanking);
// on a large index a common letter matches most files, and its matches as a list (eight bytes a
// row) are too many to keep for more than a letter or two. By id they take one byte a file and
// answer for any file at once. Worked out by the warm-up, published with its data and kept in
// the file for the next process. Never changed once made; safe to read on any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "index/full_text_rank.h"

namespace quorvale {

struct LetterMatches {
  int64_t rowCount = 0;  // the table's totals when the matches were gathered
  int64_t tokens = 0;
  int64_t documents = 0;  // files the prefix matches
  // By id: the weighted instances of the prefix in the file; 0 where it does not match;
  // kLarger where the number is in `larger` (sorted by id).
  std::vector<uint8_t> frequencies;
  std::vector<std::pair<uint32_t, uint16_t>> larger;

  static constexpr uint8_t kLarger = UINT8_MAX;

  // From the prefix's every match; nothing when they are not all there (or ids run too high).
  static std::optional<LetterMatches> of(const FullTextRank::Matches& every);

  // The prefix's matches among the rows of another list (the matches of another word, for the
  // same data): those rows that hold the prefix, with their sizes from that list, counted as
  // one of `documents` matches.
  FullTextRank::Matches among(const FullTextRank::Matches& rows) const;

  std::size_t bytes() const { return frequencies.size() + larger.size() * 8; }
  // Whether the parts agree (what a decoded item must show before it is used).
  bool consistent() const;
};

}  // namespace quorvale
