// The byte-level byte-pair tokenizer of the encoder's model, read from the model's
// "tokenizer.json". Turns text into token ids: NFC normalisation, added tokens (such as "[CLS]"
// typed in the text) matched first, the GPT-2 pre-tokenisation rules, then byte-pair merges of
// each piece's UTF-8 bytes, with a bounded cache of merged pieces.
//
// Members read from the file (everything else in it is ignored):
//   model.vocab     object: byte-level symbol -> id (ids 0 ... 2^31-1)
//   model.merges    array, position = rank: "left right" strings or ["left", "right"] pairs
//   added_tokens    array of {"content": string, "id": integer, "lstrip": boolean}
//
// Created once per model load by the encoder. `encode` and `encodeBody` may run on several
// threads at once: everything but the piece cache is immutable after construction, and the cache
// is guarded by `lock_`, held only for one lookup or one insertion.
#pragma once

#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quorvale {

class BPETokenizer {
 public:
  // Thrown for every problem with the file.
  class Failure : public std::runtime_error {
   public:
    Failure() : std::runtime_error("the tokenizer file could not be read") {}
  };

  struct Added {
    std::u32string scalars;
    std::int32_t id = 0;
    bool lstrip = false;
  };

  struct Merge {
    std::int32_t rank = 0;
    std::int32_t merged = 0;
  };

  static constexpr std::size_t kCacheLimit = 200000;

  // Reads "tokenizer.json" in the folder.
  static BPETokenizer inDirectory(const std::string& directory);
  // Throws Failure.
  explicit BPETokenizer(const std::string& file);
  BPETokenizer(const BPETokenizer&) = delete;
  BPETokenizer& operator=(const BPETokenizer&) = delete;

  // [clsID] + the first max(0, maxLength - 2) ids of the body + [sepID].
  std::vector<std::int32_t> encode(std::string_view text, int maxLength) const;
  // The ids of the text without framing. Invalid UTF-8 reads as U+FFFD; never throws.
  std::vector<std::int32_t> encodeBody(std::string_view text) const;

  std::int32_t clsID() const { return clsID_; }
  std::int32_t sepID() const { return sepID_; }
  std::int32_t padID() const { return padID_; }
  std::int32_t unkID() const { return unkID_; }
  std::int64_t vocabSize() const { return vocabSize_; }

 private:
  // Pre-tokenises a stretch (without added tokens) and appends the merged ids of its pieces.
  void pretokenizeAndMerge(std::u32string_view stretch, std::vector<std::int32_t>& out) const;
  void emit(std::u32string_view piece, std::vector<std::int32_t>& out) const;
  std::vector<std::int32_t> merge(std::vector<std::int32_t> ids) const;
  const Added* addedAt(std::u32string_view text, std::size_t at) const;

  std::int32_t clsID_ = 50281;
  std::int32_t sepID_ = 50282;
  std::int32_t padID_ = 50283;
  std::int32_t unkID_ = 50280;
  std::int64_t vocabSize_ = 1;
  std::unordered_map<std::string, std::int32_t> vocab_;
  std::int32_t byteID_[256] = {};
  // Key: (left id << 32) | right id.
  std::unordered_map<std::uint64_t, Merge> merges_;
  // Added tokens by first scalar, longest first, file order among equal lengths.
  std::unordered_map<char32_t, std::vector<Added>> addedByFirst_;

  mutable std::mutex lock_;
  mutable std::unordered_map<std::string, std::vector<std::int32_t>> cache_;  // guarded by lock_
};

}  // namespace quorvale
