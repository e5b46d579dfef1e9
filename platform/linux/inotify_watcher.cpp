#include "inotify_watcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace quorvale {
namespace {

// Room for many events per read; the kernel never splits one across reads.
constexpr std::size_t kReadBuffer = std::size_t{64} * 1024;

}  // namespace

InotifyWatcher::InotifyWatcher(Options options) : options_(options) {}

InotifyWatcher::~InotifyWatcher() {
  stop();
}

bool InotifyWatcher::start(const ScanConfig& config, Handler handler) {
  std::lock_guard control(controlMutex_);
  if (running_ || config.roots.empty()) return running_;
  WatchScope scope(config);
  if (scope.roots().empty()) return false;
  UniqueFd inotify(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
  UniqueFd wake(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
  if (!inotify || !wake) return false;

  inotify_ = std::move(inotify);
  wake_ = std::move(wake);
  {
    std::lock_guard batch(batchMutex_);
    handler_ = std::move(handler);
  }
  {
    std::lock_guard ready(readyMutex_);
    watching_ = false;
  }
  stopping_ = false;
  InotifyTree::Sink sink{.changed = [this](const std::string& path) { changed(path); },
                         .lost = [this] { lost(); }};
  tree_ = std::make_unique<InotifyTree>(inotify_.get(), std::move(scope), std::move(sink),
                                        options_.maxWatches, [this] { return stopping_.load(); });
  reader_ = std::thread([this] { readEvents(); });
  running_ = true;
  return true;
}

void InotifyWatcher::stop() {
  std::lock_guard control(controlMutex_);
  if (!running_) return;
  stopping_ = true;
  uint64_t one = 1;
  // The eventfd counter cannot overflow from one write; the reading thread also polls the flag.
  [[maybe_unused]] ssize_t written = write(wake_.get(), &one, sizeof one);
  reader_.join();

  WorkHandle pending;
  {
    std::lock_guard batch(batchMutex_);
    pending = std::move(delivery_);
    delivery_ = WorkHandle();
    paths_.clear();
    seen_.clear();
    mustRescan_ = false;
    handler_ = nullptr;
  }
  pending.cancel();
  // A delivery that had already taken its batch may still be running.
  if (!queue_.isCurrent()) queue_.waitUntilIdle();

  tree_.reset();
  inotify_.reset();
  wake_.reset();
  running_ = false;
}

bool InotifyWatcher::waitUntilWatching(std::chrono::milliseconds timeout) {
  if (!running_) return false;
  std::unique_lock ready(readyMutex_);
  return readyChanged_.wait_for(ready, timeout, [&] { return watching_; });
}

std::vector<std::string> InotifyWatcher::watchedFolders() const {
  std::lock_guard control(controlMutex_);
  return tree_ ? tree_->watchedFolders() : std::vector<std::string>{};
}

void InotifyWatcher::readEvents() {
  tree_->watchRoots();
  {
    std::lock_guard ready(readyMutex_);
    watching_ = true;
  }
  readyChanged_.notify_all();

  std::vector<char> buffer(kReadBuffer);  // new[] aligns it for inotify_event
  pollfd fds[2] = {{.fd = inotify_.get(), .events = POLLIN, .revents = 0},
                   {.fd = wake_.get(), .events = POLLIN, .revents = 0}};
  while (!stopping_) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      lost();
      return;
    }
    if (fds[1].revents != 0) return;
    if (fds[0].revents != 0 && !drainEvents(buffer)) {
      lost();
      return;
    }
  }
}

bool InotifyWatcher::drainEvents(std::vector<char>& buffer) {
  for (;;) {
    ssize_t size = read(inotify_.get(), buffer.data(), buffer.size());
    if (size < 0) {
      if (errno == EINTR) continue;
      return errno == EAGAIN || errno == EWOULDBLOCK;
    }
    if (size == 0) return false;
    for (ssize_t at = 0; at < size && !stopping_;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + at);
      tree_->handle(*event);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
    if (stopping_) return true;
  }
}

void InotifyWatcher::changed(const std::string& path) {
  std::lock_guard batch(batchMutex_);
  if (seen_.insert(path).second) paths_.push_back(path);
  scheduleDelivery();
}

void InotifyWatcher::lost() {
  std::lock_guard batch(batchMutex_);
  mustRescan_ = true;
  scheduleDelivery();
}

void InotifyWatcher::scheduleDelivery() {
  if (delivery_) return;
  delivery_ = queue_.postDelayed(options_.latency, [this] { deliver(); });
}

void InotifyWatcher::deliver() {
  std::vector<std::string> paths;
  bool mustRescan = false;
  Handler handler;
  {
    std::lock_guard batch(batchMutex_);
    delivery_ = WorkHandle();  // changes from now on open the next window
    paths = std::move(paths_);
    paths_.clear();
    seen_.clear();
    mustRescan = std::exchange(mustRescan_, false);
    handler = handler_;
  }
  if (handler && (!paths.empty() || mustRescan)) handler(paths, mustRescan);
}

}  // namespace quorvale
