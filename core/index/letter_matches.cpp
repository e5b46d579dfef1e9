#include "index/letter_matches.h"

#include <algorithm>

namespace quorvale {

std::optional<LetterMatches> LetterMatches::of(const FullTextRank::Matches& every) {
  if (every.documents || every.rowCount <= 0) return std::nullopt;
  LetterMatches out;
  out.rowCount = every.rowCount;
  out.tokens = every.tokens;
  out.documents = static_cast<int64_t>(every.rowids.size());
  uint32_t largest = every.rowids.empty() ? 0 : every.rowids.back();
  if (largest >= kMostIdSlots) return std::nullopt;
  out.frequencies.assign(std::size_t{largest} + 1, 0);
  for (std::size_t row = 0; row < every.rowids.size(); ++row) {
    uint32_t id = every.rowids[row];
    uint16_t frequency = every.frequencies[row];
    // A match always has an instance; a zero would read as no match.
    if (frequency == 0) return std::nullopt;
    if (frequency < kLarger) {
      out.frequencies[id] = static_cast<uint8_t>(frequency);
    } else {
      out.frequencies[id] = kLarger;
      out.larger.emplace_back(id, frequency);
    }
  }
  return out;
}

FullTextRank::Matches LetterMatches::among(const FullTextRank::Matches& rows) const {
  FullTextRank::Matches out;
  out.rowCount = rowCount;
  out.tokens = tokens;
  out.documents = documents;
  for (std::size_t row = 0; row < rows.rowids.size(); ++row) {
    uint32_t id = rows.rowids[row];
    if (id >= frequencies.size() || frequencies[id] == 0) continue;
    uint16_t frequency = frequencies[id];
    if (frequency == kLarger) {
      auto found =
          std::lower_bound(larger.begin(), larger.end(), std::pair<uint32_t, uint16_t>{id, 0});
      frequency = found->second;  // consistent(): every kLarger id is listed
    }
    out.rowids.push_back(id);
    out.rowTokens.push_back(rows.rowTokens[row]);
    out.frequencies.push_back(frequency);
  }
  return out;
}

bool LetterMatches::consistent() const {
  if (rowCount <= 0 || tokens < 0 || documents < 0) return false;
  std::size_t marked =
      static_cast<std::size_t>(std::count(frequencies.begin(), frequencies.end(), kLarger));
  if (marked != larger.size()) return false;
  auto matching = std::count_if(frequencies.begin(), frequencies.end(),
                                [](uint8_t frequency) { return frequency != 0; });
  if (matching != documents) return false;
  for (std::size_t i = 0; i < larger.size(); ++i) {
    auto [id, frequency] = larger[i];
    if (id >= frequencies.size() || frequencies[id] != kLarger || frequency < kLarger) return false;
    if (i > 0 && larger[i - 1].first >= id) return false;
  }
  return true;
}

}  // namespace quorvale
