#include "panel/latest_search.h"

namespace quorvale {

LatestSearch::LatestSearch(Executor& main, Deliver deliver)
    : main_(main), deliver_(std::move(deliver)), worker_([this] { work(); }) {}

LatestSearch::~LatestSearch() {
  *alive_ = false;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    waiting_.reset();
  }
  changed_.notify_all();
  worker_.join();
}

void LatestSearch::request(std::string query, Job job) {
  {
    std::lock_guard lock(mutex_);
    waiting_ = Request{.ticket = ++newest_, .query = std::move(query), .job = std::move(job)};
    answer_.reset();
  }
  changed_.notify_all();
}

bool LatestSearch::settle(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  if (delivered_ == newest_) return true;
  bool in =
      changed_.wait_for(lock, limit, [this] { return answer_ && answer_->ticket == newest_; });
  if (!in) return false;
  Answer answer = std::move(*answer_);
  answer_.reset();
  delivered_ = answer.ticket;
  lock.unlock();
  deliver_(answer.query, std::move(answer.rows));
  return true;
}

void LatestSearch::work() {
  while (true) {
    Request request;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return stopping_ || waiting_; });
      if (stopping_) return;
      request = std::move(*waiting_);
      waiting_.reset();
    }
    Rows rows;
    try {
      rows = request.job();
    } catch (...) {
      rows.clear();
    }
    {
      std::lock_guard lock(mutex_);
      if (request.ticket != newest_) continue;
      answer_ = Answer{.ticket = request.ticket, .query = request.query, .rows = std::move(rows)};
    }
    changed_.notify_all();
    main_.post([this, alive = alive_] {
      if (*alive) deliverFinished();
    });
  }
}

void LatestSearch::deliverFinished() {
  std::unique_lock lock(mutex_);
  if (!answer_ || answer_->ticket != newest_) return;
  Answer answer = std::move(*answer_);
  answer_.reset();
  delivered_ = answer.ticket;
  lock.unlock();
  deliver_(answer.query, std::move(answer.rows));
}

}  // namespace quorvale
