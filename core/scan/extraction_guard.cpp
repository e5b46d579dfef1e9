#include "scan/extraction_guard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <exception>
#include <filesystem>
#include <sstream>
#include <system_error>
#include <thread>
#include <vector>

#include "scan/inflight_list.h"
#include "util/atomic_file.h"
#include "util/whole_file.h"

namespace quorvale {
namespace {

constexpr const char* kInflightName = "inflight.txt";
constexpr const char* kPoisonName = "poison.txt";
// Finished workers kept for the next reads; more would only hold threads.
constexpr std::size_t kIdleWorkers = 4;

// One worker thread's mailbox. The thread holds it by shared pointer, so it outlives the guard
// and the pool whenever the thread does.
struct WorkerState {
  std::mutex mutex;
  std::condition_variable wake;
  std::function<void()> job;  // guarded by mutex
  bool retiring = false;      // guarded by mutex: leave after the current job
};

void workerLoop(const std::shared_ptr<WorkerState>& state) {
  std::unique_lock lock(state->mutex);
  for (;;) {
    state->wake.wait(lock, [&] { return state->job != nullptr || state->retiring; });
    if (state->job == nullptr) return;
    std::function<void()> job = std::move(state->job);
    state->job = nullptr;
    lock.unlock();
    job();
    job = nullptr;  // drop what the work captured outside the lock
    lock.lock();
    if (state->retiring) return;
  }
}

void retire(const std::shared_ptr<WorkerState>& worker) {
  std::lock_guard hold(worker->mutex);
  worker->retiring = true;
  worker->wake.notify_one();
}

// A limit that is not a positive number waits for nothing; an absurdly long one is held to a day,
// which the clock's arithmetic cannot overflow.
std::chrono::steady_clock::duration waitingTime(double seconds) {
  constexpr double kLongest = 86'400;
  double bounded = seconds > 0 ? std::min(seconds, kLongest) : 0;
  return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      std::chrono::duration<double>(bounded));
}

bool hasLineBreak(const std::string& path) {
  return path.find_first_of("\r\n") != std::string::npos;
}

// The non-blank lines of poison.txt; nothing when it is missing, unreadable or not a regular file.
std::vector<std::string> readPoisonList(const std::string& path) {
  std::vector<std::string> lines;
  std::optional<std::string> text;
  try {
    text = readWholeFile(path);
  } catch (const std::system_error&) {
  }
  if (!text) return lines;
  std::istringstream stream(*text);
  for (std::string line; std::getline(stream, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") != std::string::npos) lines.push_back(line);
  }
  return lines;
}

// The whole file behind the descriptor, read from its start.
std::string readAll(int fd) {
  std::string text;
  char buffer[4096];
  for (;;) {
    ssize_t count = ::pread(fd, buffer, sizeof buffer, static_cast<off_t>(text.size()));
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return text;
    text.append(buffer, static_cast<std::size_t>(count));
  }
}

bool writeAt(int fd, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t wrote =
        ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += static_cast<std::size_t>(wrote);
  }
  return true;
}

// inflight.txt opened for reading and writing, when it is (or is made) a regular file. Opened
// without waiting, so that a FIFO in its place is refused instead of blocking.
UniqueFd openInflight(const std::string& path) {
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
  struct stat info {};
  if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return UniqueFd();
  return fd;
}

// Holds the advisory lock that every process takes around its read-change-write of the guard's
// files; no lock without a file.
class FileLock {
 public:
  explicit FileLock(int fd) : fd_(fd) {
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  ~FileLock() {
    if (fd_ >= 0) ::flock(fd_, LOCK_UN);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_;
};

}  // namespace

// Workers that finished in time wait here for the next read. A worker whose read overran is
// retired instead: it leaves once the work returns, if ever.
class GuardWorkers {
 public:
  GuardWorkers() = default;
  GuardWorkers(const GuardWorkers&) = delete;
  GuardWorkers& operator=(const GuardWorkers&) = delete;
  ~GuardWorkers() {
    std::lock_guard hold(mutex_);
    for (const auto& worker : idle_) retire(worker);
  }

  // Throws when no thread can be started.
  std::shared_ptr<WorkerState> take() {
    {
      std::lock_guard hold(mutex_);
      if (!idle_.empty()) {
        std::shared_ptr<WorkerState> worker = std::move(idle_.back());
        idle_.pop_back();
        return worker;
      }
    }
    auto worker = std::make_shared<WorkerState>();
    std::thread([worker] { workerLoop(worker); }).detach();
    return worker;
  }

  void giveBack(std::shared_ptr<WorkerState> worker) {
    std::lock_guard hold(mutex_);
    if (idle_.size() < kIdleWorkers) {
      idle_.push_back(std::move(worker));
    } else {
      retire(worker);
    }
  }

 private:
  std::mutex mutex_;
  std::vector<std::shared_ptr<WorkerState>> idle_;  // guarded by mutex_
};

ExtractionGuard::ExtractionGuard(std::optional<std::string> directory)
    : workers_(std::make_unique<GuardWorkers>()) {
  if (!directory) return;
  inflightURL_ = *directory + "/" + kInflightName;
  poisonURL_ = *directory + "/" + kPoisonName;
  self_ = ProcessIdentity::current();
  std::error_code ignored;
  std::filesystem::create_directories(*directory, ignored);
  std::lock_guard hold(lock_);
  inflightFile_ = openInflight(*inflightURL_);
  FileLock files(inflightFile_.get());
  for (std::string& path : readPoisonList(*poisonURL_)) poison_.insert(std::move(path));
  syncInflightLocked();
}

ExtractionGuard::~ExtractionGuard() = default;

bool ExtractionGuard::isPoisoned(const std::string& path) const {
  std::lock_guard hold(lock_);
  return poison_.contains(path);
}

std::size_t ExtractionGuard::poisonedCount() const {
  std::lock_guard hold(lock_);
  return poison_.size();
}

void ExtractionGuard::addPoison(const std::string& path) {
  std::lock_guard hold(lock_);
  FileLock files(inflightFile_.get());
  poison_.insert(path);
  writePoisonLocked();
}

std::optional<std::string> ExtractionGuard::run(const std::string& path, double timeout,
                                                std::function<std::optional<std::string>()> work) {
  return runValue(path, timeout, std::move(work));
}

bool ExtractionGuard::execute(const std::string& path, double timeout,
                              const std::shared_ptr<Completion>& completion,
                              std::function<void()> job) {
  if (!beginReading(path)) return false;
  std::shared_ptr<WorkerState> worker;
  try {
    worker = workers_->take();
  } catch (const std::exception&) {  // no thread could be started
    endReading(path, false);
    return false;
  }
  {
    std::lock_guard hold(worker->mutex);
    worker->job = std::move(job);
    worker->wake.notify_one();
  }
  const auto deadline = std::chrono::steady_clock::now() + waitingTime(timeout);
  bool inTime = false;
  {
    std::unique_lock wait(completion->mutex);
    inTime = completion->finished.wait_until(wait, deadline, [&] { return completion->done; });
  }
  if (inTime) {
    workers_->giveBack(std::move(worker));
  } else {
    retire(worker);
  }
  endReading(path, !inTime);
  return inTime;
}

bool ExtractionGuard::beginReading(const std::string& path) {
  if (hasLineBreak(path)) return false;
  std::lock_guard hold(lock_);
  if (poison_.contains(path)) return false;
  FileLock files(inflightFile_.get());
  inflight_.insert(path);
  syncInflightLocked();
  // Another process may have found this file guilty of a second stop just now.
  if (poison_.contains(path)) {
    inflight_.erase(inflight_.find(path));
    syncInflightLocked();
    return false;
  }
  return true;
}

void ExtractionGuard::endReading(const std::string& path, bool overran) {
  std::lock_guard hold(lock_);
  FileLock files(inflightFile_.get());
  if (auto found = inflight_.find(path); found != inflight_.end()) inflight_.erase(found);
  if (overran) {
    poison_.insert(path);
    writePoisonLocked();
  }
  syncInflightLocked(overran ? std::nullopt : std::optional(path));
}

// A folder that cannot be written leaves the guard working from memory.
void ExtractionGuard::syncInflightLocked(const std::optional<std::string>& readToTheEnd) {
  if (!inflightFile_) return;
  InflightList stored = InflightList::parse(readAll(inflightFile_.get()));
  InflightList next{.reading = {}, .stopped = std::move(stored.stopped)};
  std::set<std::string> stoppedNow;
  for (InflightList::Reading& entry : stored.reading) {
    if (entry.owner == self_) continue;  // this process's own entries are written afresh below
    if (entry.owner.isRunning(self_.bootId)) {
      next.reading.push_back(std::move(entry));
    } else {
      stoppedNow.insert(std::move(entry.path));
    }
  }
  bool poisoned = false;
  for (const std::string& path : stoppedNow) {
    // A file that was being read at two stops is the likely cause of them.
    if (next.stopped.erase(path) > 0) {
      poison_.insert(path);
      poisoned = true;
    } else {
      next.stopped.insert(path);
    }
  }
  if (readToTheEnd) next.stopped.erase(*readToTheEnd);
  std::erase_if(next.stopped, [&](const std::string& path) { return poison_.contains(path); });
  for (const std::string& path : inflight_) {
    if (!hasLineBreak(path)) next.reading.push_back({self_, path});
  }
  std::string list = next.text();
  if (writeAt(inflightFile_.get(), list)) {
    [[maybe_unused]] int ignored =
        ::ftruncate(inflightFile_.get(), static_cast<off_t>(list.size()));
  }
  if (poisoned) writePoisonLocked();
}

// Called with the files' lock held: what other processes poisoned meanwhile is kept.
void ExtractionGuard::writePoisonLocked() {
  if (!poisonURL_) return;
  for (std::string& path : readPoisonList(*poisonURL_)) poison_.insert(std::move(path));
  std::set<std::string> sorted(poison_.begin(), poison_.end());
  std::string text;
  for (const std::string& path : sorted) {
    if (!hasLineBreak(path)) text += path + "\n";
  }
  try {
    writeFileAtomically(*poisonURL_, text);
  } catch (const std::system_error&) {
  }
}

}  // namespace quorvale
