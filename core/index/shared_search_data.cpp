#include "index/shared_search_data.h"

#include <algorithm>
#include <map>

namespace quorvale {

std::shared_ptr<SharedSearchData> SharedSearchData::forFile(const std::string& file) {
  if (file.empty()) return nullptr;
  static std::mutex registryMutex;
  // Weak: the data goes when the last connection of the file closes.
  static std::map<std::string, std::weak_ptr<SharedSearchData>> registry;
  std::lock_guard lock(registryMutex);
  std::weak_ptr<SharedSearchData>& entry = registry[file];
  std::shared_ptr<SharedSearchData> data = entry.lock();
  if (!data) {
    data = std::make_shared<SharedSearchData>();
    entry = data;
  }
  return data;
}

std::shared_ptr<const SharedSearchData::Published> SharedSearchData::published(
    int64_t generation) const {
  std::lock_guard lock(mutex_);
  if (published_ && published_->generation == generation) return published_;
  return nullptr;
}

void SharedSearchData::publish(std::shared_ptr<const Published> data) {
  std::lock_guard lock(mutex_);
  published_ = std::move(data);
}

void SharedSearchData::request(RankingRequest ranking) {
  std::lock_guard lock(mutex_);
  std::erase_if(rankings_, [&](const RankingRequest& kept) { return kept.key == ranking.key; });
  rankings_.insert(rankings_.begin(), std::move(ranking));
  if (rankings_.size() > kKeptRankingRequests) rankings_.pop_back();
}

void SharedSearchData::request(char32_t firstCharacter) {
  std::lock_guard lock(mutex_);
  std::erase(letters_, firstCharacter);
  letters_.insert(letters_.begin(), firstCharacter);
  if (letters_.size() > kKeptVocabularyRequests) letters_.pop_back();
}

void SharedSearchData::record(Change change) {
  std::lock_guard lock(mutex_);
  changes_.push_back(std::move(change));
  if (changes_.size() > kKeptChanges) changes_.pop_front();
}

void SharedSearchData::retract(int64_t from, int64_t to) {
  std::lock_guard lock(mutex_);
  std::erase_if(changes_,
                [&](const Change& change) { return change.from == from && change.to == to; });
}

std::optional<SharedSearchData::Change> SharedSearchData::changesBetween(int64_t from,
                                                                         int64_t to) const {
  if (from < 0 || to < from) return std::nullopt;
  Change merged{.from = from, .to = to, .rows = {}, .nameWords = {}, .inserted = {}};
  std::lock_guard lock(mutex_);
  int64_t reached = from;
  // Write transactions follow one another, so each recorded change starts where one ended.
  for (const Change& change : changes_) {
    if (reached == to) break;
    if (change.from != reached) continue;
    // A row inserted after an earlier change wrote it (deleted it) existed at `from`.
    std::sort(merged.rows.begin(), merged.rows.end());
    for (int64_t row : change.inserted) {
      if (!std::binary_search(merged.rows.begin(), merged.rows.end(), row)) {
        merged.inserted.push_back(row);
      }
    }
    merged.rows.insert(merged.rows.end(), change.rows.begin(), change.rows.end());
    merged.nameWords.insert(merged.nameWords.end(), change.nameWords.begin(),
                            change.nameWords.end());
    reached = change.to;
  }
  if (reached != to) return std::nullopt;
  std::sort(merged.rows.begin(), merged.rows.end());
  merged.rows.erase(std::unique(merged.rows.begin(), merged.rows.end()), merged.rows.end());
  std::sort(merged.inserted.begin(), merged.inserted.end());
  std::sort(merged.nameWords.begin(), merged.nameWords.end());
  merged.nameWords.erase(std::unique(merged.nameWords.begin(), merged.nameWords.end()),
                         merged.nameWords.end());
  return merged;
}

std::vector<SharedSearchData::RankingRequest> SharedSearchData::rankingRequests() const {
  std::lock_guard lock(mutex_);
  return rankings_;
}

std::vector<char32_t> SharedSearchData::vocabularyRequests() const {
  std::lock_guard lock(mutex_);
  return letters_;
}

}  // namespace quorvale
