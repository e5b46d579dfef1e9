// The clipboard history: copied texts, newest first, with pinning, pruning by age and count,
// duplicate folding and a ranked search for the panel.
//
// The engine owns one store on the main thread: the clipboard monitor's copies go through
// `record`, the panel lists and searches it, and the engine hands snapshot copies to its index
// queue, which writes them to "clips.json" in the data folder. A store is a plain value; it is not
// locked, so each copy belongs to one thread at a time.
//
// clips.json, one JSON object:
//   "items"  array, newest first, of objects with the keys (in this order when written):
//     "id"            string   a UUID in its standard text form (written in upper case)
//     "text"          string   the copied text, valid UTF-8
//     "date"          string   when it was last copied: ISO 8601 in UTC with whole seconds,
//                              "2024-03-05T09:07:00Z" (offsets and fractions are read too)
//     "sourceBundle"  string   identifier of the application it came from; left out when unknown
//                              (null reads as unknown)
//     "pinned"        boolean  pinned entries survive pruning and rank first
// Every key but "sourceBundle" is required. An item that is not this shape in any detail is left
// out and the others load; a file that is not an object with an "items" list cannot be decoded
// and the history starts empty. Either way the damaged file is kept (set aside beside it as
// "clips.json.unreadable-<UTC time>") before anything is written over it. The file is written
// atomically with mode 0600 and never while the policy says `memoryOnly`.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "clipboard/clip_policy.h"

namespace quorvale {

using ClipDate = std::chrono::system_clock::time_point;

struct ClipItem {
  std::string id;  // UUID, upper case
  std::string text;
  ClipDate date;
  std::optional<std::string> sourceBundle;
  bool pinned = false;

  bool operator==(const ClipItem&) const = default;
};

struct RecordOutcome {
  enum class Kind { skipped, added, movedToTop };

  Kind kind = Kind::added;
  std::string reason;  // why a copy was skipped; empty otherwise

  static RecordOutcome skipped(std::string reason) { return {Kind::skipped, std::move(reason)}; }
  static RecordOutcome added() { return {Kind::added, {}}; }
  static RecordOutcome movedToTop() { return {Kind::movedToTop, {}}; }

  bool operator==(const RecordOutcome&) const = default;
};

// Reasons of skipped copies, shown to the user as they stand.
namespace ClipSkipReason {
inline constexpr std::string_view historyOff = "history is off";
inline constexpr std::string_view empty = "empty";
inline constexpr std::string_view tooLarge = "too large";
inline constexpr std::string_view markedPrivate = "marked private by the app";
inline constexpr std::string_view passwordManager = "password manager";
inline constexpr std::string_view looksSecret = "looks like a secret";
}  // namespace ClipSkipReason

class ClipStoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ClipStore {
 public:
  ClipStore() = default;
  explicit ClipStore(std::vector<ClipItem> items) : items_(std::move(items)) {}

  const std::vector<ClipItem>& items() const { return items_; }
  // Changes with every change of the entries and differs between stores made apart, so that a
  // copy taken earlier can tell whether it is still the same history; a copy keeps it.
  std::uint64_t revision() const { return revision_; }

  // Records a copy, unless the policy refuses it: history off; an ignored application (compared
  // ignoring case); a private clipboard type; a text that is empty once trimmed; more UTF-8 bytes
  // than `maxBytesPerItem`; a text that looks like a secret (when `skipSensitive`), checked in
  // that order. Invalid UTF-8 is recorded with U+FFFD for each bad sequence. A text already in the
  // history moves to the front with the new date, keeping its id and pin. Prunes afterwards.
  RecordOutcome record(std::string_view text, const std::optional<std::string>& sourceBundle,
                       std::span<const std::string> pasteboardTypes, ClipDate now,
                       const ClipPolicy& policy);

  void setPinned(std::string_view id, bool pinned);
  void remove(std::string_view id);
  void clear(bool includingPinned);

  // Drops unpinned entries older than `maxAgeDays` days, then every unpinned entry after the
  // first `maxItems`. Pinned entries always stay; order is kept.
  void prune(ClipDate now, const ClipPolicy& policy);

  // Entries whose text holds every word of the query, ignoring case, best first: pinned ones
  // lead, then earlier and shorter matches, then newer ones. An empty query lists pinned entries
  // first, then the rest in order.
  std::vector<ClipItem> search(std::string_view query, std::size_t limit) const;

  // The history in the JSON text of clips.json; throws ClipStoreError when it, or any item of it,
  // does not decode.
  static ClipStore fromJson(std::string_view bytes);
  std::string toJson() const;

  // The history in the file. A missing file gives an empty history; so does one that cannot be
  // read or decoded, and `loadProblem` then says why. Items that do not decode are left out (the
  // rest load), and `loadProblem` says how many.
  static ClipStore load(const std::string& path);
  const std::optional<std::string>& loadProblem() const { return loadProblem_; }

  // Writes the history (nothing when `memoryOnly`), creating the folder when needed. When this
  // store was loaded from a damaged file that is still there, that file is first set aside.
  // Throws ClipStoreError when the file cannot be written; the old file is then untouched.
  void write(const std::string& path, const ClipPolicy& policy) const;

 private:
  static std::uint64_t nextRevision();

  std::vector<ClipItem> items_;
  std::uint64_t revision_ = nextRevision();
  std::optional<std::string> loadProblem_;
  // The damaged file this store was loaded from, to be set aside before it is written over.
  std::optional<std::string> damagedSource_;
};

}  // namespace quorvale
