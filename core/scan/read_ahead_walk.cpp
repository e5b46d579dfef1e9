#include "scan/read_ahead_walk.h"

namespace quorvale {

ReadAheadWalk::ReadAheadWalk(std::string root, DirectoryWalk::ErrorHandler onError, Decide decide,
                             Options options) {
  if (!options.ahead) {
    inline_ = DirectoryWalk::open(root, std::move(onError));
    inlineDecide_ = std::move(decide);
    opened_ = inline_.has_value();
    done_ = true;
    return;
  }
  reader_ = std::thread([this, root = std::move(root), onError = std::move(onError),
                         decide = std::move(decide)] { read(root, onError, decide); });
}

ReadAheadWalk::~ReadAheadWalk() {
  if (!reader_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  reader_.join();
}

void ReadAheadWalk::read(const std::string& root, const DirectoryWalk::ErrorHandler& onError,
                         const Decide& decide) {
  try {
    auto walk = DirectoryWalk::open(root, onError);
    {
      std::lock_guard lock(mutex_);
      opened_ = walk.has_value();
    }
    changed_.notify_all();
    Batch batch;
    while (walk) {
      if (batch.count == batch.items.size()) batch.items.emplace_back();
      if (!walked(*walk, decide, batch.items[batch.count])) break;
      if (++batch.count == kBatchItems && !publish(batch)) break;
    }
    publish(batch);
    finish(nullptr);
  } catch (...) {
    finish(std::current_exception());
  }
}

bool ReadAheadWalk::walked(DirectoryWalk& walk, const Decide& decide, Item& into) {
  while (const WalkEntry* entry = walk.next()) {
    Decision decision = decide(*entry);
    if (decision.skipDescendants) walk.skipDescendants();
    if (decision.handOn) {
      into.entry = *entry;  // assigned, so the item's strings keep their buffers
      into.application = std::move(decision.application);
      return true;
    }
  }
  return false;
}

bool ReadAheadWalk::publish(Batch& batch) {
  if (batch.count == 0) return true;
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return stopping_ || queue_.size() < kQueuedBatches; });
    if (stopping_) return false;
    queue_.push_back(std::move(batch));
    batch = {};
    if (!finished_.empty()) {
      batch = std::move(finished_.back());
      finished_.pop_back();
    }
  }
  changed_.notify_all();
  batch.count = 0;
  return true;
}

void ReadAheadWalk::finish(std::exception_ptr failure) {
  {
    std::lock_guard lock(mutex_);
    if (!opened_) opened_ = false;
    failure_ = std::move(failure);
    done_ = true;
  }
  changed_.notify_all();
}

bool ReadAheadWalk::opened() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return opened_.has_value(); });
  return *opened_;
}

ReadAheadWalk::Item* ReadAheadWalk::next() {
  if (!reader_.joinable()) {
    return inline_ && walked(*inline_, inlineDecide_, inlineItem_) ? &inlineItem_ : nullptr;
  }
  if (currentIndex_ == current_.count) {
    std::unique_lock lock(mutex_);
    if (!current_.items.empty()) finished_.push_back(std::exchange(current_, {}));
    changed_.wait(lock, [&] { return !queue_.empty() || done_; });
    if (queue_.empty()) {
      if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
      return nullptr;
    }
    current_ = std::move(queue_.front());
    queue_.pop_front();
    currentIndex_ = 0;
    lock.unlock();
    changed_.notify_all();
  }
  return &current_.items[currentIndex_++];
}

}  // namespace quorvale
