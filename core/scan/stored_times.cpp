#include "scan/stored_times.h"

#include <algorithm>
#include <cstring>

namespace quorvale {
namespace {

constexpr std::size_t kMinimumSlots = 1024;
constexpr std::size_t kTextBlockBytes = 256 * 1024;

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
      if (records_[recordOf(slots_[at])].holds(path)) return at;
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
  if (path.size() > textLeft_) {
    const std::size_t bytes = std::max(kTextBlockBytes, path.size());
    text_.push_back(std::make_unique_for_overwrite<char[]>(bytes));
    textNext_ = text_.back().get();
    textLeft_ = bytes;
  }
  char* kept = textNext_;
  std::memcpy(kept, path.data(), path.size());
  textNext_ += path.size();
  textLeft_ -= path.size();
  return kept;
}

void StoredTimes::add(std::string_view fullPath, Date modified) {
  const auto below = belowRoot(fullPath);
  if (!below) return;
  const std::string_view path = *below;
  const bool indexed = !slots_.empty();
  if (indexed && (records_.size() + 1) * 2 > slots_.size()) grow();
  records_.push_back(Record{
      .path = keep(path), .length = static_cast<uint32_t>(path.size()), .modified = modified});
  if (indexed) enter(records_.size() - 1);
}

void StoredTimes::index() const {
  if (!slots_.empty()) return;
  std::size_t size = kMinimumSlots;
  while (size < records_.size() * 2 + 2) size *= 2;
  slots_.assign(size, 0);
  for (std::size_t number = 0; number < records_.size(); ++number) enter(number);
}

void StoredTimes::enter(std::size_t number) const {
  Record& record = records_[number];
  const std::string_view path(record.path, record.length);
  const uint32_t hash = hashOf(path);
  const std::size_t at = probe(path, hash);
  if (slots_[at] == 0) {
    slots_[at] = (static_cast<uint64_t>(hash) << 32) | (number + 1);
    return;
  }
  // The same path again: the first record stands for both, with the later time, and counts
  // as seen when either was taken.
  Record& first = records_[recordOf(slots_[at])];
  first.modified = record.modified;
  first.seen = first.seen || record.seen;
  record.dropped = true;
}

bool StoredTimes::Record::holds(std::string_view other) const {
  return length == other.size() && std::memcmp(path, other.data(), other.size()) == 0;
}

std::optional<Date> StoredTimes::take(std::string_view fullPath) {
  const auto path = belowRoot(fullPath);
  if (records_.empty() || !path) return std::nullopt;
  // The record after the one taken last is usually the one asked for, and is found without
  // hashing or probing.
  std::size_t number = next_;
  if (number >= records_.size() || records_[number].dropped || !records_[number].holds(*path)) {
    index();
    const std::size_t at = probe(*path, hashOf(*path));
    if (slots_[at] == 0) return std::nullopt;
    number = recordOf(slots_[at]);
  }
  next_ = number + 1;
  Record& record = records_[number];
  if (record.seen) return std::nullopt;
  record.seen = true;
  ++taken_;
  return record.modified;
}

void StoredTimes::forEachUnseen(const std::function<void(const std::string& path)>& visit) const {
  if (taken_ == records_.size()) return;
  // Repeated paths are merged before any is reported.
  index();
  for (const Record& record : records_) {
    if (!record.seen && !record.dropped)
      visit(std::string(prefix_).append(record.path, record.length));
  }
}

void StoredTimes::clear() {
  text_.clear();
  text_.shrink_to_fit();
  textNext_ = nullptr;
  textLeft_ = 0;
  next_ = 0;
  taken_ = 0;
  records_.clear();
  records_.shrink_to_fit();
  slots_.clear();
  slots_.shrink_to_fit();
}

}  // namespace quorvale
