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

std::vector<SharedSearchData::RankingRequest> SharedSearchData::rankingRequests() const {
  std::lock_guard lock(mutex_);
  return rankings_;
}

std::vector<char32_t> SharedSearchData::vocabularyRequests() const {
  std::lock_guard lock(mutex_);
  return letters_;
}

}  // namespace quorvale
