#include "models/bpe_tokenizer.h"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <queue>
#include <sstream>

#include "models/pretokenizer.h"

namespace quorvale {
namespace {

using Json = nlohmann::json;

std::uint64_t pairKey(std::int32_t left, std::int32_t right) {
  return static_cast<std::uint64_t>(static_cast<std::uint32_t>(left)) << 32 |
         static_cast<std::uint32_t>(right);
}

// A token id: a JSON integer from 0 to 2^31 - 1. Negative ids would collide with the "no
// symbol" marker of the byte table and with the pair keys, so they are refused like ids beyond
// 32 bits.
std::optional<std::int32_t> tokenID(const Json& value) {
  if (value.is_number_unsigned()) {
    auto number = value.get<std::uint64_t>();
    if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
      return std::nullopt;
    }
    return static_cast<std::int32_t>(number);
  }
  if (value.is_number_integer()) {
    auto number = value.get<std::int64_t>();
    if (number < 0 || number > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    return static_cast<std::int32_t>(number);
  }
  return std::nullopt;
}

void appendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string utf8(std::u32string_view scalars) {
  std::string out;
  out.reserve(scalars.size());
  for (char32_t c : scalars) appendUtf8(c, out);
  return out;
}

// The GPT-2 byte table: printable Latin-1 bytes stand for themselves, the other 68 bytes take
// U+0100, U+0101, ... in increasing order.
std::array<char32_t, 256> byteSymbols() {
  std::array<char32_t, 256> symbols{};
  char32_t next = 0x100;
  for (unsigned b = 0; b < 256; ++b) {
    bool printable = (b >= 33 && b <= 126) || (b >= 161 && b <= 172) || (b >= 174);
    symbols[b] = printable ? static_cast<char32_t>(b) : next++;
  }
  return symbols;
}

// The text in NFC as scalars; invalid UTF-8 reads as U+FFFD.
std::u32string normalizedScalars(std::string_view text) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  auto source = icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<std::int32_t>(std::min<std::size_t>(
                                        text.size(), std::numeric_limits<std::int32_t>::max()))));
  icu::UnicodeString normalized = U_SUCCESS(status) ? nfc->normalize(source, status) : source;
  if (U_FAILURE(status)) normalized = source;
  std::u32string scalars;
  scalars.reserve(static_cast<std::size_t>(normalized.length()));
  for (std::int32_t i = 0; i < normalized.length();) {
    UChar32 c = normalized.char32At(i);
    scalars.push_back(static_cast<char32_t>(c));
    i += U16_LENGTH(c);
  }
  return scalars;
}

Json readJson(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw BPETokenizer::Failure();
  std::ostringstream content;
  content << in.rdbuf();
  if (!in && !in.eof()) throw BPETokenizer::Failure();
  auto json = Json::parse(content.str(), nullptr, false);
  if (json.is_discarded() || !json.is_object()) throw BPETokenizer::Failure();
  return json;
}

// A merge rule's two parts: ["left", "right"] or "left right" (split at the first space).
std::optional<std::pair<std::string, std::string>> mergeParts(const Json& rule) {
  if (rule.is_array()) {
    if (rule.size() != 2 || !rule[0].is_string() || !rule[1].is_string()) return std::nullopt;
    return std::pair{rule[0].get<std::string>(), rule[1].get<std::string>()};
  }
  if (!rule.is_string()) return std::nullopt;
  const auto& text = rule.get_ref<const std::string&>();
  auto space = text.find(' ');
  if (space == std::string::npos || space == 0 || space + 1 == text.size()) return std::nullopt;
  return std::pair{text.substr(0, space), text.substr(space + 1)};
}

}  // namespace

BPETokenizer BPETokenizer::inDirectory(const std::string& directory) {
  return BPETokenizer(directory + "/tokenizer.json");
}

BPETokenizer::BPETokenizer(const std::string& file) {
  Json root = readJson(file);
  auto model = root.find("model");
  if (model == root.end() || !model->is_object()) throw Failure();
  auto vocab = model->find("vocab");
  auto merges = model->find("merges");
  if (vocab == model->end() || !vocab->is_object() || merges == model->end() ||
      !merges->is_array()) {
    throw Failure();
  }
  std::int64_t maxID = 0;
  vocab_.reserve(vocab->size());
  for (const auto& [symbol, value] : vocab->items()) {
    auto id = tokenID(value);
    if (!id) throw Failure();
    vocab_[symbol] = *id;
    maxID = std::max<std::int64_t>(maxID, *id);
  }

  auto symbols = byteSymbols();
  for (unsigned b = 0; b < 256; ++b) {
    std::string symbol;
    appendUtf8(symbols[b], symbol);
    auto found = vocab_.find(symbol);
    byteID_[b] = found == vocab_.end() ? -1 : found->second;
  }

  std::int64_t rank = 0;
  merges_.reserve(merges->size());
  for (const auto& rule : *merges) {
    auto position = rank++;
    if (position > std::numeric_limits<std::int32_t>::max()) break;
    auto parts = mergeParts(rule);
    if (!parts) continue;
    auto left = vocab_.find(parts->first);
    auto right = vocab_.find(parts->second);
    auto merged = vocab_.find(parts->first + parts->second);
    if (left == vocab_.end() || right == vocab_.end() || merged == vocab_.end()) continue;
    merges_[pairKey(left->second, right->second)] =
        Merge{.rank = static_cast<std::int32_t>(position), .merged = merged->second};
  }

  auto added = root.find("added_tokens");
  if (added != root.end() && added->is_array()) {
    for (const auto& token : *added) {
      if (!token.is_object()) continue;
      auto content = token.find("content");
      auto idField = token.find("id");
      if (content == token.end() || !content->is_string() || idField == token.end() ||
          !idField->is_number_integer()) {
        continue;
      }
      auto id = tokenID(*idField);
      if (!id) throw Failure();
      const auto& text = content->get_ref<const std::string&>();
      if (text.empty()) continue;
      auto lstripField = token.find("lstrip");
      bool lstrip =
          lstripField != token.end() && lstripField->is_boolean() && lstripField->get<bool>();
      maxID = std::max<std::int64_t>(maxID, *id);
      // The content's scalars as they stand, without normalisation.
      auto unicode = icu::UnicodeString::fromUTF8(
          icu::StringPiece(text.data(), static_cast<std::int32_t>(text.size())));
      std::u32string scalars;
      for (std::int32_t i = 0; i < unicode.length();) {
        UChar32 c = unicode.char32At(i);
        scalars.push_back(static_cast<char32_t>(c));
        i += U16_LENGTH(c);
      }
      if (text == "[CLS]") clsID_ = *id;
      if (text == "[SEP]") sepID_ = *id;
      if (text == "[PAD]") padID_ = *id;
      if (text == "[UNK]") unkID_ = *id;
      char32_t first = scalars.front();
      addedByFirst_[first].push_back(
          Added{.scalars = std::move(scalars), .id = *id, .lstrip = lstrip});
    }
  }
  for (auto& [first, list] : addedByFirst_) {
    std::stable_sort(list.begin(), list.end(), [](const Added& a, const Added& b) {
      return a.scalars.size() > b.scalars.size();
    });
  }
  vocabSize_ = maxID + 1;
}

std::vector<std::int32_t> BPETokenizer::encode(std::string_view text, int maxLength) const {
  std::vector<std::int32_t> ids{clsID_};
  if (maxLength > 2) {
    auto body = encodeBody(text);
    auto keep = std::min(body.size(), static_cast<std::size_t>(maxLength - 2));
    ids.insert(ids.end(), body.begin(), body.begin() + static_cast<std::ptrdiff_t>(keep));
  }
  ids.push_back(sepID_);
  return ids;
}

const BPETokenizer::Added* BPETokenizer::addedAt(std::u32string_view text, std::size_t at) const {
  auto candidates = addedByFirst_.find(text[at]);
  if (candidates == addedByFirst_.end()) return nullptr;
  for (const auto& added : candidates->second) {
    if (text.substr(at).starts_with(added.scalars)) return &added;
  }
  return nullptr;
}

std::vector<std::int32_t> BPETokenizer::encodeBody(std::string_view text) const {
  std::u32string scalars = normalizedScalars(text);
  std::u32string_view view(scalars);
  std::vector<std::int32_t> out;
  std::size_t segmentStart = 0;
  std::size_t lastAddedEnd = 0;
  std::size_t i = 0;
  while (i < view.size()) {
    const Added* added = addedByFirst_.empty() ? nullptr : addedAt(view, i);
    if (added == nullptr) {
      ++i;
      continue;
    }
    std::size_t cut = i;
    if (added->lstrip) {
      // Swallow the white space in front of the token, but never across an earlier one.
      while (cut > lastAddedEnd &&
             pretokenizer::classOf(view[cut - 1]) == pretokenizer::Cls::whitespace) {
        --cut;
      }
    }
    if (cut > segmentStart) pretokenizeAndMerge(view.substr(segmentStart, cut - segmentStart), out);
    out.push_back(added->id);
    i += added->scalars.size();
    segmentStart = i;
    lastAddedEnd = i;
  }
  if (segmentStart < view.size()) pretokenizeAndMerge(view.substr(segmentStart), out);
  return out;
}

void BPETokenizer::pretokenizeAndMerge(std::u32string_view stretch,
                                       std::vector<std::int32_t>& out) const {
  pretokenizer::split(stretch, [&](std::u32string_view piece) { emit(piece, out); });
}

void BPETokenizer::emit(std::u32string_view piece, std::vector<std::int32_t>& out) const {
  std::string key = utf8(piece);
  {
    std::lock_guard guard(lock_);
    auto cached = cache_.find(key);
    if (cached != cache_.end()) {
      out.insert(out.end(), cached->second.begin(), cached->second.end());
      return;
    }
  }
  std::vector<std::int32_t> ids;
  ids.reserve(key.size());
  for (unsigned char byte : key) {
    if (byteID_[byte] >= 0) ids.push_back(byteID_[byte]);
  }
  ids = merge(std::move(ids));
  out.insert(out.end(), ids.begin(), ids.end());
  std::lock_guard guard(lock_);
  if (cache_.size() < kCacheLimit) cache_.insert_or_assign(std::move(key), std::move(ids));
}

// Applies the merge rules to one piece: each round takes the lowest rank among the adjacent
// pairs and replaces, left to right, every non-overlapping occurrence of that pair in the list as
// it stood at the start of the round. Symbols live in a linked list over the original positions
// and candidate pairs in a heap ordered by (rank, position), so a long piece costs n log n rather
// than a rescan per merge.
std::vector<std::int32_t> BPETokenizer::merge(std::vector<std::int32_t> ids) const {
  if (ids.size() < 2 || merges_.empty()) return ids;
  const std::size_t n = ids.size();
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::vector<std::size_t> next(n), previous(n);
  std::vector<std::uint32_t> bornInRound(n, 0);
  for (std::size_t p = 0; p < n; ++p) {
    next[p] = p + 1 < n ? p + 1 : kNone;
    previous[p] = p > 0 ? p - 1 : kNone;
  }
  std::vector<bool> alive(n, true);

  struct Candidate {
    std::int32_t rank;
    std::size_t position;
    std::uint64_t key;
    bool operator>(const Candidate& other) const {
      return rank != other.rank ? rank > other.rank : position > other.position;
    }
  };
  std::priority_queue<Candidate, std::vector<Candidate>, std::greater<>> heap;
  auto offer = [&](std::size_t p) {
    if (p == kNone || next[p] == kNone) return;
    auto key = pairKey(ids[p], ids[next[p]]);
    auto rule = merges_.find(key);
    if (rule != merges_.end()) heap.push({rule->second.rank, p, key});
  };
  for (std::size_t p = 0; p + 1 < n; ++p) offer(p);

  std::vector<Candidate> round;
  std::vector<std::size_t> merged;
  std::uint32_t roundNumber = 0;
  while (!heap.empty()) {
    ++roundNumber;
    std::int32_t rank = heap.top().rank;
    round.clear();
    while (!heap.empty() && heap.top().rank == rank) {
      round.push_back(heap.top());
      heap.pop();
    }
    merged.clear();
    for (const auto& candidate : round) {
      std::size_t p = candidate.position;
      // Stale entries: the symbol was consumed, already merged this round, or changed.
      if (!alive[p] || bornInRound[p] == roundNumber || next[p] == kNone) continue;
      std::size_t q = next[p];
      if (pairKey(ids[p], ids[q]) != candidate.key) continue;
      ids[p] = merges_.at(candidate.key).merged;
      bornInRound[p] = roundNumber;
      alive[q] = false;
      next[p] = next[q];
      if (next[q] != kNone) previous[next[q]] = p;
      merged.push_back(p);
    }
    // New pairs join only after the round, as the list is rebuilt once per round.
    for (std::size_t p : merged) {
      if (!alive[p]) continue;
      offer(previous[p]);
      offer(p);
    }
  }
  std::vector<std::int32_t> result;
  for (std::size_t p = 0; p != kNone; p = next[p]) result.push_back(ids[p]);
  return result;
}

}  // namespace quorvale
