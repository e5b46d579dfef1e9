// Runs the panel's searches on a worker thread of its own, so that typing never waits for one.
// The main thread hands over each typed text with a job that searches it; only the newest text
// counts. A request that has not started when a newer one comes is dropped unrun, and the rows of
// a job that finishes after a newer request are dropped too. The rows of the newest request reach
// `deliver` on the main executor once, either posted when the worker finishes or at once from
// `settle`, which waits a bounded time for them (keys that act on the rows use it, so that they
// never act on the rows of an older text).
//
// Threads: construction, `request`, `settle` and destruction on the main executor's thread;
// `deliver` runs there too. Jobs run on the worker, one at a time, and must not wait for the main
// thread. Destroying the object waits for the running job and drops the waiting one.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "query/suggestion.h"
#include "util/executor.h"

namespace quorvale {

class LatestSearch {
 public:
  using Rows = std::vector<Suggestion>;
  using Job = std::function<Rows()>;
  using Deliver = std::function<void(const std::string& query, Rows rows)>;

  LatestSearch(Executor& main, Deliver deliver);
  ~LatestSearch();
  LatestSearch(const LatestSearch&) = delete;
  LatestSearch& operator=(const LatestSearch&) = delete;

  // Makes `query` the newest text; `job` computes its rows on the worker. A job that throws
  // counts as no rows.
  void request(std::string query, Job job);
  // Delivers the rows of the newest request now if they come within `limit`; true when they have
  // been delivered (now or earlier), false when the worker is still busy with them.
  bool settle(std::chrono::milliseconds limit);

 private:
  struct Request {
    std::uint64_t ticket = 0;
    std::string query;
    Job job;
  };
  struct Answer {
    std::uint64_t ticket = 0;
    std::string query;
    Rows rows;
  };

  void work();             // worker thread
  void deliverFinished();  // main thread

  Executor& main_;
  Deliver deliver_;
  std::mutex mutex_;
  std::condition_variable changed_;  // a request came, an answer came, or stop
  std::optional<Request> waiting_;   // guarded by mutex_: not yet started
  std::optional<Answer> answer_;     // guarded by mutex_: finished, not yet delivered
  std::uint64_t newest_ = 0;         // guarded by mutex_
  std::uint64_t delivered_ = 0;      // guarded by mutex_: the newest ticket delivered
  bool stopping_ = false;            // guarded by mutex_
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // main thread
  std::thread worker_;  // last: starts once the members above exist
};

}  // namespace quorvale
