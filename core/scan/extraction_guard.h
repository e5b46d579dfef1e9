// Protects the program from files that make a reader hang or crash. Before a file is read its
// path is recorded in "inflight.txt" in the guard's folder, with the process reading it, and the
// reading runs on a worker thread while the caller waits at most a time limit. A read that
// overruns the limit poisons the file. A process that stops while reading (a crash, a kill, a
// power cut) leaves its entry behind; whichever process next opens the guard or reads a file
// finds that the entry's owner is gone. The first such stop earns the file one more try; a
// second stop while reading it, before it was read to the end once, poisons it. Entries of
// processes that still run (a scan beside the desktop application) are theirs and left alone.
// A poisoned file is never read again. Without a folder the guard keeps its poison list in
// memory only.
//
// Files in the folder, both regular files (anything else in their place, a FIFO say, is never
// opened for reading, and the guard then keeps that part in memory):
//   inflight.txt  the entries of every process reading behind a guard on this folder; the form is
//                 described in inflight_list.h. It is rewritten in place, twice per read, under
//                 an advisory lock (flock) that every process takes to read, change and write it:
//                 the new list first, then the file is cut to its length. (Replacing the file by
//                 rename costs a flush to the disk per write on ext4, milliseconds per file
//                 read; the file only has to survive a crash of this process, which the page
//                 cache does.)
//   poison.txt    every poisoned path, one per line, sorted; merged with what other processes
//                 poisoned, then replaced atomically and flushed to the disk.
// A path holding a line break cannot be written to these files, so such a file is never read.
//
// Thread rule: every member may be called from any thread; the scanner and the passage indexer
// share one guard. A process keeps one guard per folder: entries are the process's, so a second
// guard on the same folder in one process rewrites the first one's entries with its own. `lock_`
// guards the poison set, the in-flight paths and both files. Work that overruns its limit keeps
// running on its worker and its result is dropped; the worker owns everything it touches (the work,
// the result slot), so it may finish after the call returned and after the guard is gone. The work
// itself must therefore capture what it uses by value (or by shared pointer), never references to
// the caller's stack.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <unordered_set>

#include "util/process_identity.h"
#include "util/unique_fd.h"

namespace quorvale {

class GuardWorkers;

class ExtractionGuard {
 public:
  explicit ExtractionGuard(std::optional<std::string> directory = std::nullopt);
  ~ExtractionGuard();
  ExtractionGuard(const ExtractionGuard&) = delete;
  ExtractionGuard& operator=(const ExtractionGuard&) = delete;

  // Where the two files live; nothing for a guard without a folder.
  const std::optional<std::string>& inflightURL() const { return inflightURL_; }
  const std::optional<std::string>& poisonURL() const { return poisonURL_; }

  bool isPoisoned(const std::string& path) const;
  std::size_t poisonedCount() const;
  // Poisons the path and rewrites poison.txt.
  void addPoison(const std::string& path);

  // The work's result, or nothing when the path is poisoned, cannot be guarded, or the work
  // takes longer than `timeout` seconds (the path is then poisoned). Never throws; a work that
  // throws gives nothing.
  std::optional<std::string> run(const std::string& path, double timeout,
                                 std::function<std::optional<std::string>()> work);

  // The same for work that returns any std::optional.
  template <typename Work>
  std::invoke_result_t<Work&> runValue(const std::string& path, double timeout, Work work);

 private:
  // The meeting point of a waiting caller and the worker running its work.
  struct Completion {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
  };

  // Runs `job` (which signals `completion`) on a worker for `path`; true when it finished in
  // time, false when the path was refused or the time ran out.
  bool execute(const std::string& path, double timeout,
               const std::shared_ptr<Completion>& completion, std::function<void()> job);
  bool beginReading(const std::string& path);
  void endReading(const std::string& path, bool overran);
  // Brings inflight.txt up to date with this process's reads, settles the entries of processes
  // that are gone, and forgets the stop of `readToTheEnd`.
  void syncInflightLocked(const std::optional<std::string>& readToTheEnd = std::nullopt);
  void writePoisonLocked();

  std::optional<std::string> inflightURL_;
  std::optional<std::string> poisonURL_;
  std::unique_ptr<GuardWorkers> workers_;
  ProcessIdentity self_;
  UniqueFd inflightFile_;  // open for the guard's life; written under lock_ and its flock

  mutable std::mutex lock_;
  std::unordered_set<std::string> poison_;  // guarded by lock_
  std::multiset<std::string> inflight_;     // guarded by lock_
};

template <typename Work>
std::invoke_result_t<Work&> ExtractionGuard::runValue(const std::string& path, double timeout,
                                                      Work work) {
  using Result = std::invoke_result_t<Work&>;
  struct Slot : Completion {
    Result result{};
  };
  auto slot = std::make_shared<Slot>();
  auto owned = std::make_shared<Work>(std::move(work));
  auto job = [slot, owned] {
    Result result{};
    try {
      result = (*owned)();
    } catch (...) {
      result = Result{};
    }
    std::lock_guard hold(slot->mutex);
    slot->result = std::move(result);
    slot->done = true;
    slot->finished.notify_all();
  };
  if (!execute(path, timeout, slot, std::move(job))) return Result{};
  std::lock_guard hold(slot->mutex);
  return std::move(slot->result);
}

}  // namespace quorvale
