#include "scan/extraction_guard.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <thread>
#include <vector>

#include "util/atomic_file.h"

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

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool isBlank(const std::string& line) {
  return line.find_first_not_of(" \t") == std::string::npos;
}

// The non-blank lines of a file, without their line ends; with `untilBlank`, only those before
// the first blank line.
std::vector<std::string> readLines(const std::string& path, bool untilBlank) {
  std::vector<std::string> lines;
  std::istringstream text(readText(path));
  for (std::string line; std::getline(text, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!isBlank(line)) {
      lines.push_back(line);
    } else if (untilBlank) {
      break;
    }
  }
  return lines;
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

template <typename Paths>
std::string joinLines(const Paths& paths) {
  std::string text;
  for (const std::string& path : paths) {
    if (hasLineBreak(path)) continue;
    text += path;
    text += '\n';
  }
  return text;
}

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
  std::error_code ignored;
  std::filesystem::create_directories(*directory, ignored);
  std::lock_guard hold(lock_);
  for (std::string& path : readLines(*poisonURL_, false)) {
    poison_.insert(std::move(path));
  }
  // Paths still in flight were being read when the program last stopped: reading them crashed it.
  std::vector<std::string> crashed = readLines(*inflightURL_, true);
  for (std::string& path : crashed) poison_.insert(std::move(path));
  if (!crashed.empty()) writePoisonLocked();
  inflightFile_.reset(
      ::open(inflightURL_->c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
  writeInflightLocked();
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
  inflight_.insert(path);
  writeInflightLocked();
  return true;
}

void ExtractionGuard::endReading(const std::string& path, bool overran) {
  std::lock_guard hold(lock_);
  if (auto found = inflight_.find(path); found != inflight_.end()) inflight_.erase(found);
  if (overran) {
    poison_.insert(path);
    writePoisonLocked();
  }
  writeInflightLocked();
}

// A folder that cannot be written leaves the guard working from memory.
void ExtractionGuard::writeInflightLocked() {
  if (!inflightFile_) return;
  std::string list = joinLines(inflight_);
  if (!list.empty()) list += '\n';
  if (writeAt(inflightFile_.get(), list)) {
    [[maybe_unused]] int ignored =
        ::ftruncate(inflightFile_.get(), static_cast<off_t>(list.size()));
  }
}

void ExtractionGuard::writePoisonLocked() {
  if (!poisonURL_) return;
  std::set<std::string> sorted(poison_.begin(), poison_.end());
  try {
    writeFileAtomically(*poisonURL_, joinLines(sorted));
  } catch (const std::system_error&) {
  }
}

}  // namespace quorvale
