#include "scan/stored_times.h"

#include <bit>

namespace quorvale {
namespace {

constexpr std::size_t kMinimumSlots = 64;

std::size_t hashOf(std::string_view path) {
  return std::hash<std::string_view>{}(path);
}

}  // namespace

std::string_view StoredTimes::pathOf(const Slot& slot) const {
  return std::string_view(text_).substr(slot.offset, slot.length);
}

// The slot holding `path`, or the empty slot where it would go. The table is never full.
std::size_t StoredTimes::probe(std::string_view path, std::size_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  const auto tag = static_cast<uint32_t>(hash);
  std::size_t at = hash & mask;
  while (slots_[at].used && (slots_[at].hash != tag || pathOf(slots_[at]) != path)) {
    at = (at + 1) & mask;
  }
  return at;
}

void StoredTimes::reserve(std::size_t count) {
  // At most half full: probes stay short.
  const std::size_t wanted = std::bit_ceil(std::max(kMinimumSlots, count * 2));
  if (wanted <= slots_.size()) return;
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(wanted, Slot{});
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (!slot.used) continue;
    // Paths are unique here: the first free slot from the kept hash is the place.
    std::size_t at = slot.hash & mask;
    while (slots_[at].used) at = (at + 1) & mask;
    slots_[at] = slot;
  }
}

void StoredTimes::grow() {
  reserve(std::max(kMinimumSlots, slots_.size()));
}

void StoredTimes::add(std::string_view path, Date modified) {
  if ((count_ + 1) * 2 > slots_.size()) grow();
  const std::size_t hash = hashOf(path);
  Slot& slot = slots_[probe(path, hash)];
  if (slot.used) {
    slot.modified = modified;
    return;
  }
  slot = Slot{.offset = text_.size(),
              .length = static_cast<uint32_t>(path.size()),
              .hash = static_cast<uint32_t>(hash),
              .modified = modified,
              .used = true,
              .seen = false};
  text_.append(path);
  ++count_;
}

std::optional<Date> StoredTimes::take(std::string_view path) {
  if (count_ == 0) return std::nullopt;
  Slot& slot = slots_[probe(path, hashOf(path))];
  if (!slot.used || slot.seen) return std::nullopt;
  slot.seen = true;
  return slot.modified;
}

void StoredTimes::forEachUnseen(const std::function<void(const std::string& path)>& visit) const {
  for (const Slot& slot : slots_) {
    if (slot.used && !slot.seen) visit(std::string(pathOf(slot)));
  }
}

void StoredTimes::clear() {
  text_.clear();
  text_.shrink_to_fit();
  slots_.clear();
  slots_.shrink_to_fit();
  count_ = 0;
}

}  // namespace quorvale
