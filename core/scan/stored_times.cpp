#include "scan/stored_times.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace quorvale {
namespace {

constexpr std::size_t kMinimumSlots = 1024;

uint32_t hashOf(std::string_view path) {
  return static_cast<uint32_t>(std::hash<std::string_view>{}(path));
}

uint32_t tagOf(uint64_t slot) {
  return static_cast<uint32_t>(slot >> 32);
}

std::size_t recordOf(uint64_t slot) {
  return static_cast<std::size_t>(slot & 0xffffffffu) - 1;
}

}  // namespace

StoredTimes::StoredTimes(std::string root) : prefix_(std::move(root)) {
  if (!prefix_.ends_with('/')) prefix_ += '/';
}

std::optional<std::string_view> StoredTimes::belowRoot(std::string_view path) const {
  if (!path.starts_with(prefix_)) return std::nullopt;
  return path.substr(prefix_.size());
}

std::size_t StoredTimes::probe(std::string_view path, uint32_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t at = hash & mask;
  while (slots_[at] != 0) {
    if (tagOf(slots_[at]) == hash) {
      if (record(recordOf(slots_[at])).holds(path)) return at;
    }
    at = (at + 1) & mask;
  }
  return at;
}

void StoredTimes::grow() {
  // At most half full: probes stay short. Paths are unique here, so the first free slot from
  // the kept hash is each one's place.
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(std::max(kMinimumSlots, old.size() * 2), 0);
  const std::size_t mask = slots_.size() - 1;
  for (Slot slot : old) {
    if (slot == 0) continue;
    std::size_t at = tagOf(slot) & mask;
    while (slots_[at] != 0) at = (at + 1) & mask;
    slots_[at] = slot;
  }
}

const char* StoredTimes::keep(std::string_view path) {
  if (path.empty()) return "";
  char* kept = static_cast<char*>(blocks_.allocate(path.size(), 1));
  std::memcpy(kept, path.data(), path.size());
  return kept;
}

void StoredTimes::append(const Record& added) {
  if (count_ == chunks_.size() * kChunkRecords) {
    chunks_.push_back(
        static_cast<Record*>(blocks_.allocate(kChunkRecords * sizeof(Record), alignof(Record))));
  }
  new (&record(count_)) Record(added);
  ++count_;
}

void StoredTimes::add(std::string_view fullPath, Date modified) {
  const auto below = belowRoot(fullPath);
  if (!below) return;
  const std::string_view path = *below;
  const bool indexed = !slots_.empty();
  if (indexed && (count_ + 1) * 2 > slots_.size()) grow();
  append(Record{
      .path = keep(path), .length = static_cast<uint32_t>(path.size()), .modified = modified});
  if (indexed) enter(count_ - 1);
}

void StoredTimes::index() const {
  if (!slots_.empty()) return;
  std::size_t size = kMinimumSlots;
  while (size < count_ * 2 + 2) size *= 2;
  slots_.assign(size, 0);
  for (std::size_t number = 0; number < count_; ++number) enter(number);
}

void StoredTimes::enter(std::size_t number) const {
  Record& entered = record(number);
  const std::string_view path(entered.path, entered.length);
  const uint32_t hash = hashOf(path);
  const std::size_t at = probe(path, hash);
  if (slots_[at] == 0) {
    slots_[at] = (static_cast<uint64_t>(hash) << 32) | (number + 1);
    return;
  }
  // The same path again: the first record stands for both, with the later time, and counts
  // as seen when either was taken.
  Record& first = record(recordOf(slots_[at]));
  first.modified = entered.modified;
  first.seen = first.seen || entered.seen;
  entered.dropped = true;
}

bool StoredTimes::Record::holds(std::string_view other) const {
  return length == other.size() && std::memcmp(path, other.data(), other.size()) == 0;
}

std::optional<Date> StoredTimes::take(std::string_view fullPath) {
  const auto path = belowRoot(fullPath);
  if (count_ == 0 || !path) return std::nullopt;
  // The record after the one taken last is usually the one asked for, and is found without
  // hashing or probing.
  std::size_t number = next_;
  if (number >= count_ || record(number).dropped || !record(number).holds(*path)) {
    index();
    const std::size_t at = probe(*path, hashOf(*path));
    if (slots_[at] == 0) return std::nullopt;
    number = recordOf(slots_[at]);
  }
  next_ = number + 1;
  Record& taken = record(number);
  if (taken.seen) return std::nullopt;
  taken.seen = true;
  ++taken_;
  return taken.modified;
}

void StoredTimes::forEachUnseen(const std::function<void(const std::string& path)>& visit) const {
  if (taken_ == count_) return;
  // Repeated paths are merged before any is reported.
  index();
  for (std::size_t number = 0; number < count_; ++number) {
    const Record& unseen = record(number);
    if (!unseen.seen && !unseen.dropped)
      visit(std::string(prefix_).append(unseen.path, unseen.length));
  }
}

void StoredTimes::clear() {
  chunks_.clear();
  chunks_.shrink_to_fit();
  blocks_.clear();
  count_ = 0;
  next_ = 0;
  taken_ = 0;
  slots_.clear();
  slots_.shrink_to_fit();
}

}  // namespace quorvale
