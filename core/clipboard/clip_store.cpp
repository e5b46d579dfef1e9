#include "clipboard/clip_store.h"

#include <algorithm>
#include <atomic>

#include "clipboard/sensitive_text.h"
#include "util/unicode.h"
#include "util/uuid.h"

namespace quorvale {
namespace {

double secondsSince1970(ClipDate date) {
  return std::chrono::duration<double>(date.time_since_epoch()).count();
}

bool isIgnoredBundle(const std::optional<std::string>& bundle, const ClipPolicy& policy) {
  if (!bundle) return false;
  const std::string wanted = unicode::lowercased(*bundle);
  return std::any_of(
      policy.ignoredBundles.begin(), policy.ignoredBundles.end(),
      [&](const std::string& ignored) { return unicode::lowercased(ignored) == wanted; });
}

bool hasIgnoredType(std::span<const std::string> types) {
  const auto& ignored = ClipPolicy::ignoredTypes();
  return std::any_of(types.begin(), types.end(),
                     [&](const std::string& type) { return ignored.contains(type); });
}

std::optional<std::string_view> refusal(std::string_view text,
                                        const std::optional<std::string>& sourceBundle,
                                        std::span<const std::string> pasteboardTypes,
                                        const ClipPolicy& policy) {
  if (!policy.enabled) return ClipSkipReason::historyOff;
  if (isIgnoredBundle(sourceBundle, policy)) return ClipSkipReason::passwordManager;
  if (hasIgnoredType(pasteboardTypes)) return ClipSkipReason::markedPrivate;
  if (unicode::trimmed(text).empty()) return ClipSkipReason::empty;
  if (policy.maxBytesPerItem < 0 ||
      text.size() > static_cast<std::uint64_t>(policy.maxBytesPerItem)) {
    return ClipSkipReason::tooLarge;
  }
  if (policy.skipSensitive && SensitiveText::looksSensitive(text))
    return ClipSkipReason::looksSecret;
  return std::nullopt;
}

std::vector<std::string> words(std::string_view lowered) {
  std::vector<std::string> result;
  std::string current;
  for (char32_t c : unicode::scalars(lowered)) {
    if (unicode::isWhitespace(c)) {
      if (!current.empty()) result.push_back(std::move(current));
      current.clear();
    } else {
      current += unicode::fromScalar(c);
    }
  }
  if (!current.empty()) result.push_back(std::move(current));
  return result;
}

struct Match {
  double score;
  const ClipItem* item;
};

// Pinned first, then earlier and shorter matches, then newer. The offset is measured in UTF-16
// units of the lower-cased text, which equals the original's except after the rare letters whose
// lower case is longer.
double scoreOf(const ClipItem& item, const std::string& loweredText, std::string_view firstWord) {
  std::size_t at = loweredText.find(firstWord);
  double offset =
      at == std::string::npos
          ? 0.0
          : static_cast<double>(unicode::utf16Count(std::string_view(loweredText).substr(0, at)));
  return (item.pinned ? 50.0 : 0.0) - 0.01 * offset -
         0.001 * static_cast<double>(unicode::characterCount(item.text)) +
         secondsSince1970(item.date) / 10'000'000'000.0;
}

std::vector<ClipItem> pinnedFirst(const std::vector<ClipItem>& items, std::size_t limit) {
  std::vector<ClipItem> listed;
  for (bool pinned : {true, false}) {
    for (const ClipItem& item : items) {
      if (listed.size() == limit) return listed;
      if (item.pinned == pinned) listed.push_back(item);
    }
  }
  return listed;
}

}  // namespace

RecordOutcome ClipStore::record(std::string_view copied,
                                const std::optional<std::string>& sourceBundle,
                                std::span<const std::string> pasteboardTypes, ClipDate now,
                                const ClipPolicy& policy) {
  // Stored text must be valid UTF-8: the history file is JSON, which cannot carry stray bytes.
  const std::string text =
      unicode::isValidUtf8(copied) ? std::string(copied) : unicode::toValidUtf8(copied);
  if (auto reason = refusal(text, sourceBundle, pasteboardTypes, policy)) {
    return RecordOutcome::skipped(std::string(*reason));
  }
  RecordOutcome outcome = RecordOutcome::added();
  revision_ = nextRevision();
  auto same = std::find_if(items_.begin(), items_.end(),
                           [&](const ClipItem& item) { return item.text == text; });
  if (same != items_.end()) {
    ClipItem moved = std::move(*same);
    items_.erase(same);
    moved.date = now;
    items_.insert(items_.begin(), std::move(moved));
    outcome = RecordOutcome::movedToTop();
  } else {
    items_.insert(items_.begin(), ClipItem{.id = uuid::random(),
                                           .text = text,
                                           .date = now,
                                           .sourceBundle = sourceBundle,
                                           .pinned = false});
  }
  prune(now, policy);
  return outcome;
}

std::uint64_t ClipStore::nextRevision() {
  static std::atomic<std::uint64_t> last = 0;
  return ++last;
}

void ClipStore::setPinned(std::string_view id, bool pinned) {
  revision_ = nextRevision();
  for (ClipItem& item : items_) {
    if (item.id == id) item.pinned = pinned;
  }
}

void ClipStore::remove(std::string_view id) {
  revision_ = nextRevision();
  std::erase_if(items_, [&](const ClipItem& item) { return item.id == id; });
}

void ClipStore::clear(bool includingPinned) {
  revision_ = nextRevision();
  std::erase_if(items_, [&](const ClipItem& item) { return includingPinned || !item.pinned; });
}

void ClipStore::prune(ClipDate now, const ClipPolicy& policy) {
  revision_ = nextRevision();
  // In floating seconds, so that no stored age, however large or negative, overflows.
  const double oldest = secondsSince1970(now) - static_cast<double>(policy.maxAgeDays) * 86400.0;
  std::erase_if(items_, [&](const ClipItem& item) {
    return !item.pinned && secondsSince1970(item.date) < oldest;
  });
  std::vector<ClipItem> kept;
  kept.reserve(items_.size());
  std::int64_t unpinnedKept = 0;
  for (ClipItem& item : items_) {
    if (!item.pinned) {
      if (unpinnedKept >= policy.maxItems) continue;
      ++unpinnedKept;
    }
    kept.push_back(std::move(item));
  }
  items_ = std::move(kept);
}

std::vector<ClipItem> ClipStore::search(std::string_view query, std::size_t limit) const {
  const std::vector<std::string> wanted = words(unicode::lowercased(query));
  if (wanted.empty()) return pinnedFirst(items_, limit);
  std::vector<Match> matches;
  for (const ClipItem& item : items_) {
    const std::string lowered = unicode::lowercased(item.text);
    bool all = std::all_of(wanted.begin(), wanted.end(), [&](const std::string& word) {
      return lowered.find(word) != std::string::npos;
    });
    if (all) matches.push_back({scoreOf(item, lowered, wanted.front()), &item});
  }
  std::stable_sort(matches.begin(), matches.end(),
                   [](const Match& a, const Match& b) { return a.score > b.score; });
  std::vector<ClipItem> found;
  for (const Match& match : matches) {
    if (found.size() == limit) break;
    found.push_back(*match.item);
  }
  return found;
}

}  // namespace quorvale
